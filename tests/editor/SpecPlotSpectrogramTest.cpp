// The spectrogram: rows of colour-map entries for the levels of each frame,
// gain and floor, scrolling by the number of frames, the newest rows only when
// more arrive than fit, the louder bin winning a column and columns between
// bins interpolated; and through the real plug-in, a rising tone drawn as a
// rising line, in the colours of the skin's colour-map picture.

#include "SpecPlotTestSupport.h"

#include "gui/Pictures.h"

#include <memory>

namespace
{
using namespace SpecPlotTest;

// A colour-map picture whose entries say where they come from: pixel (x, i)
// is (x, i, 0x80), so a table entry's green is its index.
std::shared_ptr<PixelBuffer> IndexPicture()
{
    auto picture = std::make_shared<PixelBuffer>();
    EXPECT_TRUE(picture->Allocate(32, 200));
    for (int i = 0; i < 200; ++i)
        for (int x = 0; x < 32; ++x)
            picture->At(x, i) = (static_cast<std::uint32_t>(x) << 16) |
                                (static_cast<std::uint32_t>(i) << 8) | 0x80u;
    return picture;
}

// The index the display gives a level: trunc(-2 L), clamped to 0 ... 199.
int ExpectedIndex(double level)
{
    return static_cast<int>(std::clamp(std::trunc(-2.0 * level), 0.0, 199.0));
}

// A packed real FFT of size n with the given (bin, amplitude of re) pairs.
std::vector<float> Frame(int n, std::initializer_list<std::pair<int, float>> bins)
{
    std::vector<float> frame(static_cast<std::size_t>(n), 0.0f);
    for (const auto& [bin, re] : bins)
        frame[static_cast<std::size_t>(2 * bin)] = re;
    return frame;
}

// The amplitude of re for which a bin of an n-point frame reads `level`
// before gain: 10 log10(re^2) - 20 log10(n / 2) = level.
float Amplitude(double level, int n)
{
    return static_cast<float>(n / 2.0 * std::pow(10.0, level / 20.0));
}

class SpecPlotRows : public ::testing::Test
{
protected:
    static constexpr int kN = 512;

    // Plot of width x height; bin k at binX[k].
    void Build(int width, int height, std::vector<std::int32_t> binX, int map = 3)
    {
        mBinX = std::move(binX);
        mGram.Rebuild(width, height, false,
                      [](std::int32_t w, std::int32_t h) {
                          return std::make_unique<OGWorld>(Rect{0, 0, w, h});
                      });
        mGram.BuildColorTables(mPicture.get(), map, map);
    }
    void Add(const std::vector<std::vector<float>>& frames, float gain = 0.0f,
             float floor = -100.0f)
    {
        std::vector<QVXSpecPlotSpectrogram::Result> results;
        for (const auto& frame : frames)
            results.push_back({kN, {std::span<const float>(frame), std::span<const float>()}});
        QVXSpecPlotSpectrogram::RowSettings settings;
        settings.fftSize = kN;
        settings.drawn = {true, false};
        settings.binX = &mBinX;
        settings.gain = gain;
        settings.floor = floor;
        mGram.AddFrames(results, settings);
    }
    // The colour index shown at (x, row) of the first image (green of the
    // entry); -1 where the image is still black.
    int IndexAt(int x, int row) const
    {
        const std::uint32_t pixel = mGram.GetImage(0)->GetPixels().At(x, row);
        if (pixel == 0)
            return -1;
        EXPECT_EQ(pixel >> 16, 6u) << "map 3 is column 6 of the picture";
        return static_cast<int>((pixel >> 8) & 0xFF);
    }
    int Bottom() const { return mGram.GetImageHeight() - 1; }

    std::shared_ptr<PixelBuffer> mPicture = IndexPicture();
    QVXSpecPlotSpectrogram mGram;
    std::vector<std::int32_t> mBinX;
};

std::vector<std::int32_t> Identity(int bins)
{
    std::vector<std::int32_t> x(static_cast<std::size_t>(bins));
    for (int k = 0; k < bins; ++k)
        x[static_cast<std::size_t>(k)] = k;
    return x;
}

TEST_F(SpecPlotRows, EachColumnShowsTheColourMapEntryOfItsLevelWithGainAndFloor)
{
    Build(256, 60, Identity(256));
    ASSERT_EQ(mGram.GetImageHeight(), 51);
    const std::vector<float> frame = Frame(kN, {{10, Amplitude(-20.3, kN)},
                                                {40, Amplitude(-0.2, kN)},
                                                {41, Amplitude(3.0, kN)},
                                                {90, Amplitude(-70.7, kN)}});
    Add({frame});
    EXPECT_EQ(IndexAt(10, Bottom()), ExpectedIndex(-20.3));
    EXPECT_EQ(IndexAt(40, Bottom()), 0) << "louder than -0.5 dB is the first entry";
    EXPECT_EQ(IndexAt(41, Bottom()), 0);
    EXPECT_EQ(IndexAt(90, Bottom()), ExpectedIndex(-70.7));
    EXPECT_EQ(IndexAt(200, Bottom()), 199) << "silence reads as the floor, -100 dB";

    // Gain lifts every level, the floor raises what lies below it.
    Add({frame}, 12.0f, -60.0f);
    EXPECT_EQ(IndexAt(10, Bottom()), ExpectedIndex(-20.3 + 12.0));
    EXPECT_EQ(IndexAt(90, Bottom()), ExpectedIndex(-70.7 + 12.0)) << "lifted above the floor";
    EXPECT_EQ(IndexAt(91, Bottom()), ExpectedIndex(-60.0)) << "silence at the floor";
    Add({frame}, 0.0f, -50.0f);
    EXPECT_EQ(IndexAt(90, Bottom()), ExpectedIndex(-50.0));
    EXPECT_EQ(IndexAt(10, Bottom()), ExpectedIndex(-20.3));
}

TEST_F(SpecPlotRows, LevelsTurnIntoHalfDecibelIndices)
{
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(0.0f), 0);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(6.0f), 0);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(-0.49f), 0);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(-0.5f), 1);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(-99.49f), 198);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(-99.5f), 199);
    EXPECT_EQ(QVXSpecPlotSpectrogram::ColorIndex(-1000.0f), 199);
}

TEST_F(SpecPlotRows, RowsScrollUpByTheNumberOfFramesAndOnlyTheNewestFit)
{
    Build(256, 19, Identity(256)); // 10 rows
    ASSERT_EQ(mGram.GetImageHeight(), 10);
    const auto loudAt = [](int bin) { return Frame(kN, {{bin, Amplitude(-3.0, kN)}}); };
    const auto loudColumn = [this](int row)
    {
        for (int x = 0; x < 256; ++x)
            if (IndexAt(x, row) == ExpectedIndex(-3.0))
                return x;
        return -1;
    };
    Add({loudAt(1), loudAt(2), loudAt(3)});
    EXPECT_EQ(loudColumn(Bottom()), 3) << "the last frame on the bottom row";
    EXPECT_EQ(loudColumn(Bottom() - 1), 2);
    EXPECT_EQ(loudColumn(Bottom() - 2), 1);
    EXPECT_EQ(loudColumn(Bottom() - 3), -1) << "still black";
    Add({loudAt(4), loudAt(5)});
    EXPECT_EQ(loudColumn(Bottom()), 5);
    EXPECT_EQ(loudColumn(Bottom() - 2), 3) << "moved up by two rows";
    EXPECT_EQ(loudColumn(Bottom() - 4), 1);

    // Fifteen frames into ten rows: frames 5 ... 14 are drawn.
    std::vector<std::vector<float>> many;
    for (int i = 0; i < 15; ++i)
        many.push_back(loudAt(20 + i));
    Add(many);
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(loudColumn(row), 25 + row) << row;
}

TEST_F(SpecPlotRows, TheLouderBinWinsAColumnAndColumnsBetweenBinsAreInterpolated)
{
    // Two bins a column from 0 to 99, then one bin every 4 columns.
    std::vector<std::int32_t> x(256);
    for (int k = 0; k < 256; ++k)
        x[static_cast<std::size_t>(k)] = k < 200 ? k / 2 : 100 + (k - 200) * 4;
    Build(300, 60, x);
    Add({Frame(kN, {{20, Amplitude(-30.0, kN)},
                    {21, Amplitude(-10.0, kN)},
                    {201, Amplitude(-20.0, kN)},
                    {202, Amplitude(-40.0, kN)}})});
    EXPECT_EQ(IndexAt(10, Bottom()), ExpectedIndex(-10.0));
    // Columns 100, 104 and 108 hold bins 200 (silent), 201 and 202; the
    // columns between take the straight line between their indices, truncated.
    const int silent = 199;
    const int a = ExpectedIndex(-20.0);
    const int b = ExpectedIndex(-40.0);
    const auto between = [](int from, int to, int step)
    { return static_cast<int>(from + (to - from) * step / 4.0); };
    EXPECT_EQ(IndexAt(100, Bottom()), silent);
    EXPECT_EQ(IndexAt(102, Bottom()), between(silent, a, 2));
    EXPECT_EQ(IndexAt(104, Bottom()), a);
    EXPECT_EQ(IndexAt(105, Bottom()), between(a, b, 1));
    EXPECT_EQ(IndexAt(106, Bottom()), between(a, b, 2));
    EXPECT_EQ(IndexAt(107, Bottom()), between(a, b, 3));
    EXPECT_EQ(IndexAt(108, Bottom()), b);
    // Right of the last bin nothing was measured: the darkest entry.
    EXPECT_EQ(IndexAt(299, Bottom()), 199);
}

TEST_F(SpecPlotRows, ColumnZeroIsInterpolatedFromTheLastBinLeftOfTheView)
{
    std::vector<std::int32_t> x(256);
    for (int k = 0; k < 256; ++k)
        x[static_cast<std::size_t>(k)] = -12 + 4 * k; // bin 3 is the first at or right of 0
    Build(300, 60, x);
    Add({Frame(kN, {{2, Amplitude(-10.0, kN)}, {3, Amplitude(-50.0, kN)}})});
    // Bin 2 at x = -4, bin 3 at x = 0: column 0 is bin 3 itself.
    EXPECT_EQ(IndexAt(0, Bottom()), ExpectedIndex(-50.0));
    for (auto& v : x)
        v += 2; // bin 2 at -2, bin 3 at 2: column 0 half-way, column 1 three quarters
    mBinX = x;
    Add({Frame(kN, {{2, Amplitude(-10.0, kN)}, {3, Amplitude(-50.0, kN)}})});
    const int a = ExpectedIndex(-10.0);
    const int b = ExpectedIndex(-50.0);
    EXPECT_EQ(IndexAt(0, Bottom()), (a + b) / 2);
    EXPECT_EQ(IndexAt(1, Bottom()), (a + 3 * b) / 4);
    EXPECT_EQ(IndexAt(2, Bottom()), b);
}

// Through the plug-in and the plot.
class SpecPlotSpectrogram : public PlotFixture
{
protected:
    void OpenSpectrogram()
    {
        Config().SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
        Config().SetLogScale(false);
        Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
        Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowFreqLabels, false);
        Open();
    }
    // A tone centred on bin k of the 2048-point FFT, one hop (1024 samples) per frame.
    void ToneFrames(int k, int frames, double amplitude = 1.0)
    {
        Feed(1024LL * frames, Tone(k, 2048, amplitude));
    }
    const double mBinWidth = mRate / 2048.0;
};

TEST_F(SpecPlotSpectrogram, ARisingToneDrawsARisingLine)
{
    OpenSpectrogram();
    mPlot->SetColorMapPicture(IndexPicture());
    const int rows = mPlot->GetSpectrogram().GetImageHeight();
    ASSERT_EQ(rows, 191);
    ToneFrames(40, 2);
    // 60 frames, the tone a bin higher every frame, refreshed every 3 frames.
    for (int step = 0; step < 20; ++step)
    {
        for (int f = 0; f < 3; ++f)
            ToneFrames(40 + 3 * step + f, 1);
        TimerTicks(3);
    }
    mEditor->Paint();
    // Per row (plot coordinates), the column of the loudest entry (smallest green).
    const auto loudest = [this](int row)
    {
        int best = 256, column = -1;
        for (int x = 0; x < kPlotWidth; ++x)
        {
            const int green = Pixel(x, row).green;
            if (green < best)
            {
                best = green;
                column = x;
            }
        }
        return column;
    };
    // The newest row shows the last tone, at its column on the linear scale.
    const int lastBin = 40 + 3 * 19 + 2;
    const double a = 10.0 / mRate;
    EXPECT_NEAR(loudest(rows - 1), ExpectedX(lastBin / 2048.0, a, 0.5, kPlotWidth, mRate, false),
                1);
    // Going up (older), the line goes left, a bin's width a row.
    int previous = loudest(rows - 1);
    for (int row = rows - 2; row >= rows - 55; --row)
    {
        const int column = loudest(row);
        EXPECT_LE(column, previous) << "row " << row;
        previous = column;
    }
    EXPECT_LT(previous, loudest(rows - 1) - 20);
}

TEST_F(SpecPlotSpectrogram, RowsShowTheSkinsColourMapEntriesOfTheirLevels)
{
    const std::shared_ptr<const PixelBuffer> skin =
        FindPicture(QVXSpecPlotSpectrogram::kColorMapPicture);
    if (!skin)
        GTEST_SKIP() << "picture 5901 (the colour maps) is not in the resources yet";
    Config().SetSpectrogramColorMap(0, 7);
    Config().SetSpectrogramColorMap(1, 7);
    OpenSpectrogram();
    const int rows = mPlot->GetSpectrogram().GetImageHeight();
    // A tone of amplitude 0.1 reads -20 dB here (6.02 dB above the FFT curves).
    for (int i = 0; i < 4; ++i)
    {
        ToneFrames(100, 2, 0.1);
        TimerTicks(3);
    }
    mEditor->Paint();
    const int x = ExpectedX(100 / 2048.0, 10.0 / mRate, 0.5, kPlotWidth, mRate, false);
    const auto entry = [&](int index) { return FromPixel(skin->At(2 * 7, index)); };
    EXPECT_EQ(Pixel(x, rows - 1), entry(ExpectedIndex(-20.0)));
    EXPECT_EQ(Pixel(400, rows - 1), entry(199)) << "the floor, -100 dB";
    Config().SetSpecGain(15.0f);
    Config().SetSpecFloor(-40.0f);
    ToneFrames(100, 2, 0.1);
    TimerTicks(3);
    mEditor->Paint();
    EXPECT_EQ(Pixel(x, rows - 1), entry(ExpectedIndex(-5.0)));
    EXPECT_EQ(Pixel(400, rows - 1), entry(ExpectedIndex(-40.0)));
}

TEST_F(SpecPlotSpectrogram, BothChannelsShareThePlotInTwoImages)
{
    Config().SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    Config().SetAnalysisChannel(QVXSpecConfig::kChBoth);
    Config().SetLogScale(false);
    Open();
    mPlot->SetColorMapPicture(IndexPicture());
    const int rows = mPlot->GetSpectrogram().GetImageHeight();
    EXPECT_EQ(rows, (200 - 7) / 2 - 2);
    // The left channel's tone in the upper image, the right's in the lower.
    for (int i = 0; i < 4; ++i)
    {
        Feed(2048, Tone(100, 2048), Tone(300, 2048));
        TimerTicks(3);
    }
    mEditor->Paint();
    const double a = 10.0 / mRate;
    const int left = ExpectedX(100 / 2048.0, a, 0.5, kPlotWidth, mRate, false);
    const int right = ExpectedX(300 / 2048.0, a, 0.5, kPlotWidth, mRate, false);
    EXPECT_EQ(Pixel(left, rows - 1).green, 0);
    EXPECT_GT(Pixel(right, rows - 1).green, 100);
    EXPECT_EQ(Pixel(right, 2 * rows + 1).green, 0);
    EXPECT_GT(Pixel(left, 2 * rows + 1).green, 100);
}

} // namespace
