// The spectrogram: rows of colour-map entries for the levels of each frame,
// gain and floor, scrolling by the number of frames, the newest rows only when
// more arrive than fit, the louder bin winning a column and columns between
// bins interpolated; and through the real plug-in, a row a frame, the two
// channels in two images, in the colours of the skin's colour-map picture.

#include "SpecPlotTestSupport.h"

#include "gui/Pictures.h"

#include <memory>
#include <numeric>

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

class SpecPlotRows : public ::testing::Test
{
protected:
    static constexpr int kN = 512;

    // Plot of width x height; bin k at binX[k] (by default at column k).
    void Build(int width, int height, std::vector<std::int32_t> binX = {})
    {
        if (binX.empty())
        {
            binX.resize(256);
            std::iota(binX.begin(), binX.end(), 0);
        }
        mBinX = std::move(binX);
        mGram.Rebuild(width, height, false,
                      [](std::int32_t w, std::int32_t h) {
                          return std::make_unique<OGWorld>(Rect{0, 0, w, h});
                      });
        mGram.BuildColorTables(mPicture.get(), 3, 3);
    }
    // A packed real n-point FFT frame whose bins read the given levels before
    // gain: 10 log10(re^2) - 20 log10(n / 2) = level.
    static std::vector<float> Frame(std::initializer_list<std::pair<int, double>> levels)
    {
        std::vector<float> frame(static_cast<std::size_t>(kN), 0.0f);
        for (const auto& [bin, level] : levels)
            frame[static_cast<std::size_t>(2 * bin)] =
                static_cast<float>(kN / 2.0 * std::pow(10.0, level / 20.0));
        return frame;
    }
    void Add(const std::vector<std::vector<float>>& frames, float gain = 0.0f,
             float floor = -100.0f)
    {
        std::vector<QVXSpecPlotSpectrogram::Result> results;
        for (const auto& frame : frames)
            results.push_back({kN, {std::span<const float>(frame), std::span<const float>()}});
        mGram.AddFrames(
            results,
            {.fftSize = kN, .drawn = {true, false}, .binX = &mBinX, .gain = gain, .floor = floor});
    }
    // The colour index shown at (x, row) of the first image (green of the
    // entry), the bottom row by default; -1 where the image is still black.
    int IndexAt(int x, int row = -1) const
    {
        const std::uint32_t pixel =
            mGram.GetImage(0)->GetPixels().At(x, row < 0 ? mGram.GetImageHeight() - 1 : row);
        if (pixel == 0)
            return -1;
        EXPECT_EQ(pixel >> 16, 6u) << "map 3 is column 6 of the picture";
        return static_cast<int>((pixel >> 8) & 0xFF);
    }

    std::shared_ptr<PixelBuffer> mPicture = IndexPicture();
    QVXSpecPlotSpectrogram mGram;
    std::vector<std::int32_t> mBinX;
};

TEST_F(SpecPlotRows, EachColumnShowsTheColourMapEntryOfItsLevelWithGainAndFloor)
{
    Build(256, 60);
    ASSERT_EQ(mGram.GetImageHeight(), 51);
    const std::vector<float> frame = Frame({{10, -20.3}, {40, -0.2}, {41, 3.0}, {90, -70.7}});
    Add({frame});
    const auto shown = [this] {
        return std::vector<int>{IndexAt(10), IndexAt(40), IndexAt(41), IndexAt(90), IndexAt(91)};
    };
    // Louder than -0.5 dB is the first entry; silence reads as the floor, -100 dB.
    EXPECT_EQ(shown(), (std::vector<int>{ExpectedIndex(-20.3), 0, 0, ExpectedIndex(-70.7), 199}));
    // Gain lifts every level, the floor raises what lies below it.
    Add({frame}, 12.0f, -60.0f);
    EXPECT_EQ(shown(), (std::vector<int>{ExpectedIndex(-8.3), 0, 0, ExpectedIndex(-58.7),
                                         ExpectedIndex(-60.0)}));
    Add({frame}, 0.0f, -50.0f);
    EXPECT_EQ(shown(), (std::vector<int>{ExpectedIndex(-20.3), 0, 0, ExpectedIndex(-50.0),
                                         ExpectedIndex(-50.0)}));
}

TEST_F(SpecPlotRows, RowsScrollUpByTheNumberOfFramesAndOnlyTheNewestFit)
{
    Build(256, 19); // 10 rows
    ASSERT_EQ(mGram.GetImageHeight(), 10);
    const auto loudAt = [](int bin) { return Frame({{bin, -3.0}}); };
    // Per row, bottom up, the column of the loud bin (-1 where there is none).
    const auto loudColumns = [this](int rows)
    {
        std::vector<int> columns;
        for (int row = 9; row > 9 - rows; --row)
        {
            columns.push_back(-1);
            for (int x = 0; x < 256 && columns.back() < 0; ++x)
                if (IndexAt(x, row) == ExpectedIndex(-3.0))
                    columns.back() = x;
        }
        return columns;
    };
    Add({loudAt(1), loudAt(2), loudAt(3)});
    EXPECT_EQ(loudColumns(4), (std::vector<int>{3, 2, 1, -1})) << "the last frame at the bottom";
    Add({loudAt(4), loudAt(5)});
    EXPECT_EQ(loudColumns(6), (std::vector<int>{5, 4, 3, 2, 1, -1})) << "moved up by two rows";

    // Fifteen frames into ten rows: frames 5 ... 14 are drawn.
    std::vector<std::vector<float>> many;
    for (int i = 0; i < 15; ++i)
        many.push_back(loudAt(20 + i));
    Add(many);
    EXPECT_EQ(loudColumns(10), (std::vector<int>{34, 33, 32, 31, 30, 29, 28, 27, 26, 25}));
}

TEST_F(SpecPlotRows, TheLouderBinWinsAColumnAndColumnsBetweenBinsAndFromTheLeftAreInterpolated)
{
    // Two bins a column from 0 to 99, then one bin every 4 columns.
    std::vector<std::int32_t> x(256);
    for (int k = 0; k < 256; ++k)
        x[static_cast<std::size_t>(k)] = k < 200 ? k / 2 : 100 + (k - 200) * 4;
    Build(300, 60, x);
    Add({Frame({{20, -10.0}, {21, -30.0}, {201, -20.0}, {202, -40.0}})});
    EXPECT_EQ(IndexAt(10), ExpectedIndex(-10.0)) << "the louder, not the last, of its bins";
    // Columns 100, 104 and 108 hold bins 200 (silent), 201 and 202; the
    // columns between take the straight line between their indices, truncated;
    // right of the last bin nothing was measured: the darkest entry.
    const int silent = 199, a = ExpectedIndex(-20.0), b = ExpectedIndex(-40.0);
    const auto between = [](int from, int to, int step)
    { return static_cast<int>(from + (to - from) * step / 4.0); };
    std::vector<int> shown;
    for (const int column : {100, 102, 104, 105, 106, 107, 108, 299})
        shown.push_back(IndexAt(column));
    EXPECT_EQ(shown, (std::vector<int>{silent, between(silent, a, 2), a, between(a, b, 1),
                                       between(a, b, 2), between(a, b, 3), b, 199}));

    // Column 0 is interpolated from the last bin left of the view: with bin k
    // at -12 + 4 k, bin 2 at -4, bin 3 at 0, column 0 is bin 3 itself ...
    for (int k = 0; k < 256; ++k)
        mBinX[static_cast<std::size_t>(k)] = -12 + 4 * k;
    const std::vector<float> frame = Frame({{2, -10.0}, {3, -50.0}});
    Add({frame});
    const int c = ExpectedIndex(-10.0), d = ExpectedIndex(-50.0);
    EXPECT_EQ(IndexAt(0), d);
    for (auto& v : mBinX)
        v += 2; // ... bin 2 at -2, bin 3 at 2: column 0 half-way, column 1 three quarters
    Add({frame});
    EXPECT_EQ((std::vector<int>{IndexAt(0), IndexAt(1), IndexAt(2)}),
              (std::vector<int>{(c + d) / 2, (c + 3 * d) / 4, d}));
}

// Through the plug-in and the plot, on the linear scale.
class SpecPlotSpectrogram : public PlotFixture
{
protected:
    int ColumnOf(int bin) const
    {
        return ExpectedX(bin / 2048.0, 10.0 / mRate, 0.5, kPlotWidth, mRate, false);
    }
};

TEST_F(SpecPlotSpectrogram, RowsShowTheSkinsColourMapEntriesOfTheirLevels)
{
    const std::shared_ptr<const PixelBuffer> skin =
        FindPicture(QVXSpecPlotSpectrogram::kColorMapPicture);
    if (!skin)
        GTEST_SKIP() << "picture 5901 (the colour maps) is not in the resources yet";
    Config().SetSpectrogramColorMap(0, 7);
    Config().SetSpectrogramColorMap(1, 7);
    Config().SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    Config().SetLogScale(false);
    Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowFreqLabels, false);
    Open();
    const int bottom = mPlot->GetSpectrogram().GetImageHeight() - 1;
    const auto refresh = [this](int count)
    {
        // A tone of amplitude 0.1 reads -20 dB here (6.02 dB above the FFT curves).
        for (int i = 0; i < count; ++i)
        {
            Feed(2048, Tone(100, 2048, 0.1));
            TimerTicks(3);
        }
        mEditor->Paint();
    };
    const auto entry = [&](int index) { return FromPixel(skin->At(2 * 7, index)); };
    refresh(4);
    EXPECT_EQ(Pixel(ColumnOf(100), bottom), entry(ExpectedIndex(-20.0)));
    EXPECT_EQ(Pixel(400, bottom), entry(199)) << "the floor, -100 dB";
    Config().SetSpecGain(15.0f);
    Config().SetSpecFloor(-40.0f);
    refresh(1);
    EXPECT_EQ(Pixel(ColumnOf(100), bottom), entry(ExpectedIndex(-5.0)));
    EXPECT_EQ(Pixel(400, bottom), entry(ExpectedIndex(-40.0)));
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
    const int left = ColumnOf(100), right = ColumnOf(300);
    EXPECT_EQ(Pixel(left, rows - 1).green, 0);
    EXPECT_GT(Pixel(right, rows - 1).green, 100);
    EXPECT_EQ(Pixel(right, 2 * rows + 1).green, 0);
    EXPECT_GT(Pixel(left, 2 * rows + 1).green, 100);
    // 8192 samples, a 2048-point frame every 1024: seven frames, one row each
    // (drawn entries have blue 0x80), the newest at the bottom.
    std::vector<int> drawn;
    for (int row = 0; row < rows; ++row)
        if (Pixel(left, row).blue == 0x80)
            drawn.push_back(row);
    EXPECT_EQ(drawn, (std::vector<int>{rows - 7, rows - 6, rows - 5, rows - 4, rows - 3, rows - 2,
                                       rows - 1}));
}

} // namespace
