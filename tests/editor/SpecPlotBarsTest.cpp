// The third-octave bars over the real plug-in: bar tops against the levels
// the service's meters give, the ballistics in simulated time, memory slots,
// band labels, the unsupported-rate note, and readers that survive editors
// coming and going and stream formats changing.

#include "SnapshotCompare.h"
#include "SpecPlotTestSupport.h"

#include "analysis/MeteringManager.h"
#include "editor/QVXSpecPlotBars.h"

#include <random>
#include <string>
#include <tuple>

namespace
{
using namespace SpecPlotTest;
using Plot = QVXSpecPlotFrame;

constexpr int kBars = 2; // the third-octave colour set
constexpr int kStripHeight = 20;
constexpr int kBarBottom = 200 - kStripHeight;
// 100 dB over the 180 rows above the label strip.
constexpr double kPixelsPerDb = 1.8;

// The display's ballistics written out: what one band should show.
struct ExpectedBand
{
    double live = -100.0, average = -100.0, hold = -100.0;
    std::uint32_t holdTick = 0;

    void Step(double peak, double rms, double dt, std::uint32_t now,
              const QVXSpecConfig::SpectrumViewOptions& o)
    {
        const double rate = 60.0 / o.mInstantaneousDecayTime;
        live = peak > live ? peak : std::max(peak, live - rate * dt / 60.0);
        const double c = 0.5 * (1.0 - std::exp(-1.0)) / 0.95;
        average += (rms - average) / (1.0 + c * o.mAveragingTime * 20.0);
        if (live > hold)
            std::tie(hold, holdTick) = std::pair(live, now);
        else if (o.mPeakHoldTime >= 0 && (now - holdTick) > o.mPeakHoldTime * 60.0)
            hold = std::max(hold - dt / o.mPeakDecay, live);
    }
};

class SpecPlotBarsTest : public PlotFixture
{
protected:
    using PlotFixture::PlotFixture;
    // The third-octave view with only the given level types and no grid lines.
    void ShowOnly(bool live, bool hold, bool average)
    {
        Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
        Config().SetInstantaneous(live);
        Config().SetPeakHold(hold);
        Config().SetShowAverage(average);
        Config().SetDisplaySwitch(Plot::kShowGridLines, false);
    }
    void OpenBars(int width = kPlotWidth)
    {
        Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
        Open(width);
        ASSERT_NE(dynamic_cast<QVXSpecPlotBars*>(&mPlot->GetThirdOctaveView()), nullptr);
    }
    Quarvix3rdOctAnalysisService& Service() { return mPlugin.Get3rdOctService(); }
    int Bands() { return Service().GetBandCount(); }

    // Audio for one refresh (3 ticks), the ticks, and a draw.
    void Refresh(const std::function<float(std::int64_t)>& left,
                 const std::function<float(std::int64_t)>& right)
    {
        Feed(static_cast<std::int64_t>(mRate * 0.051), left, right);
        TimerTicks(3);
        mEditor->Paint();
    }
    void Refresh(const std::function<float(std::int64_t)>& both) { Refresh(both, both); }

    // The topmost row of column x showing the colour above the label strip, or
    // kBarBottom when there is none.
    int TopOf(int x, const CVLCanvas::ColorSpec& color)
    {
        for (int y = 0; y < kBarBottom; ++y)
            if (Pixel(x, y) == color)
                return y;
        return kBarBottom;
    }
    // Left edge of band b's full bar: the bars centred in the plot.
    int BandLeft(int b, int width = kPlotWidth, int bar = 10, int gap = 6)
    {
        return (width - (bar + gap) * Bands() + gap) / 2 + b * (bar + gap);
    }
    CVLCanvas::ColorSpec Color(int role) { return Shown(Config().GetColor(kBars, role)); }
};

// A pink-ish noise (Voss-McCartney over 12 rows) and a chord of band-centred sines.
std::function<float(std::int64_t)> PinkNoise(unsigned seed)
{
    auto rng = std::make_shared<std::minstd_rand>(seed);
    auto rows = std::make_shared<std::array<float, 12>>();
    rows->fill(0.0f);
    return [=](std::int64_t t)
    {
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        const auto n = static_cast<std::uint64_t>(t) + 1;
        for (std::size_t r = 0; r < rows->size(); ++r)
            if ((n >> r) & 1u)
            {
                (*rows)[r] = u(*rng);
                break;
            }
        float sum = 0.0f;
        for (float v : *rows)
            sum += v;
        return sum * 0.05f;
    };
}
std::function<float(std::int64_t)> Chord(double rate, std::vector<std::pair<double, double>> tones)
{
    return [=](std::int64_t t)
    {
        double v = 0.0;
        for (const auto& [hz, amplitude] : tones)
            v += amplitude * std::sin(2.0 * kPi * hz * static_cast<double>(t) / rate);
        return static_cast<float>(v);
    };
}

struct BarCase
{
    double rate;
    int style; // the configuration's bar view: 0 live, 1 peak hold, 2 average
    bool noise;
    int channelMode;
};

class SpecPlotBarTops : public SpecPlotBarsTest, public ::testing::WithParamInterface<BarCase>
{
};

// Each band's filled bar ends on the row of the level the display's formulas
// give from the service's own meter readings, in every bar style: live falls
// at 60 dB per fall time, the average moves by its constant per draw, the
// held peak stays for its hold time, then falls, never below live.
TEST_P(SpecPlotBarTops, EachBarTopLandsOnTheRowOfItsMeasuredLevel)
{
    const BarCase c = GetParam();
    mRate = c.rate;
    mPlugin.SetSampleRate(static_cast<float>(mRate));
    // Only the filled type: level markers of the others would cover bar tops.
    ShowOnly(c.style == 0, c.style == 1, c.style == 2);
    Config().SetAnalysisChannel(c.channelMode);
    Config().SetThirdOctBarView(c.style);
    // Held peaks that hold 30 ticks, then fall 3 dB a draw, inside the run.
    Config().SetPeakHoldTime(0.5f);
    Config().SetPeakDecay(1.0f);
    OpenBars();
    ASSERT_EQ(Bands(), 31);

    const bool both = c.channelMode == QVXSpecConfig::kChBoth;
    struct Band
    {
        MeterReader *peak, *rms;
        ExpectedBand expected;
    };
    std::vector<Band> bands;
    for (int s = 0; s < (both ? 2 : 1); ++s)
        for (int b = 0; b < 31; ++b)
        {
            bands.push_back({&Service().GetBandPeakMeter(s, b)->AddMeter(),
                             &Service().GetBandRmsMeter(s, b)->AddMeter(),
                             {}});
            bands.back().peak->SetHoldTime(15), bands.back().rms->SetHoldTime(15);
        }
    const auto left = c.noise ? PinkNoise(7) : Chord(mRate, {{100.0, 0.5}, {1000.0, 0.05}, {8000.0, 0.2}});
    const auto right = c.noise ? PinkNoise(11) : Chord(mRate, {{250.0, 0.3}, {4000.0, 0.01}});
    const auto& options = Config().GetViewOptions(QVXSpecConfig::kAna3rdOct);
    // The bars were drawn once when the editor opened, before any audio.
    for (std::uint32_t i = 0, last = Now(); i <= 40; ++i, last = Now())
    {
        if (i > 0)
            Refresh(left, right);
        for (Band& band : bands)
            band.expected.Step(band.peak->Read(), band.rms->Read(), Now() - last, Now(), options);
    }

    const int roles[3] = {Plot::clrLeft, Plot::clrLeftPeak, Plot::clrLeftAvg};
    const int mixRoles[3] = {Plot::clrLR, Plot::clrLRPeak, Plot::clrLRAvg};
    for (std::size_t k = 0; k < bands.size(); ++k)
    {
        const int s = static_cast<int>(k / 31), b = static_cast<int>(k % 31);
        const ExpectedBand& e = bands[k].expected;
        const double level = c.style == 0 ? e.live : c.style == 1 ? e.hold : e.average;
        const CVLCanvas::ColorSpec color =
            Color(c.channelMode == QVXSpecConfig::kChSum ? mixRoles[c.style] : roles[c.style] + s);
        EXPECT_NEAR(TopOf(BandLeft(b) + (both ? s * 5 + 2 : 5), color),
                    std::min(ExpectedY(level, kPixelsPerDb), kBarBottom), 1)
            << "band " << b << " slot " << s << " level " << level;
    }
}

// Every rate with every style and both signals; the channel mode turns
// through all four along the way.
std::vector<BarCase> AllBarCases()
{
    std::vector<BarCase> cases;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int style = 0; style < 3; ++style)
            for (bool noise : {true, false})
                cases.push_back({rate, style, noise, static_cast<int>(cases.size() % 4)});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(RatesStylesSignals, SpecPlotBarTops, ::testing::ValuesIn(AllBarCases()),
                         (
                             [](const ::testing::TestParamInfo<BarCase>& info)
                             {
                                 const BarCase& c = info.param;
                                 static const char* styles[] = {"Live", "PeakHold", "Average"};
                                 static const char* modes[] = {"Left", "Right", "Both", "Mix"};
                                 return std::to_string(static_cast<int>(c.rate)) + styles[c.style] +
                                        (c.noise ? "Noise" : "Sines") + modes[c.channelMode];
                             }));

TEST_F(SpecPlotBarsTest, AtARateWithoutFilterBankOnlyTheNoteIsDrawn)
{
    mRate = 22050.0;
    mPlugin.SetSampleRate(22050.0f);
    OpenBars();
    ASSERT_EQ(Bands(), 0);
    Refresh(Tone(1, 64, 0.5));
    // Only the note's glyphs, on its baseline 24, centred.
    int text = 0;
    for (int y = 0; y < kPlotHeight; ++y)
        for (int x = 0; x < kPlotWidth; ++x)
            if (Pixel(x, y) != Color(Plot::clrBG))
            {
                ASSERT_TRUE(y >= 14 && y <= 27 && x > 120 && x < 380) << x << "," << y;
                ++text;
            }
    EXPECT_GT(text, 100);
}

// Memory slots of this view are level markers in the slot's colour, but only
// when they hold exactly as many bands as the bank has now.
TEST_F(SpecPlotBarsTest, MemorySlotsWithAnotherBandCountAreNotDrawn)
{
    ShowOnly(false, false, false);
    OpenBars();
    QVXSpecConfig::MemSlotData data;
    data.mView = QVXSpecConfig::kAna3rdOct;
    data.mAnalysisChannel = QVXSpecConfig::kChLeft;
    const CVLCanvas::ColorSpec memory = Color(Plot::clrMemL2);
    for (const int bands : {30, 31})
    {
        data.mFs = bands == 31 ? 48000 : 32000;
        data.mBands = bands;
        data.mChannels = {std::vector<float>(static_cast<std::size_t>(bands), -20.0f), {}};
        Config().SetMemSlotData(1, data);
        Config().SetMemSlotVisible(1, true);
        mEditor->Paint();
        EXPECT_TRUE(bands == 31 || TopOf(BandLeft(3) + 5, memory) == kBarBottom);
    }
    const int y = ExpectedY(-20.0, kPixelsPerDb);
    for (int b : {0, 15, 30})
    {
        EXPECT_EQ(RowsOf(BandLeft(b) + 5, memory, kBarBottom), (std::vector<int>{y, y + 1})) << b;
        EXPECT_TRUE(Pixel(BandLeft(b) - 1, y) != memory && Pixel(BandLeft(b) + 10, y) != memory)
            << b;
    }
}

// A narrow plot labels only every third band (31, 63, 125, ...): its label
// strip holds ten separate words, each centred on its band.
TEST_F(SpecPlotBarsTest, NarrowPlotsLabelEveryThirdBand)
{
    ShowOnly(true, true, false);
    Config().SetDisplaySwitch(Plot::kShowLevelLabels, false);
    const int width = 290;
    OpenBars(width);
    const CVLCanvas::ColorSpec background = Color(Plot::clrBG);
    std::vector<std::pair<int, int>> words; // first and last column
    int gap = 99;
    for (int x = 0; x < width; ++x)
    {
        bool ink = false;
        for (int y = kPlotHeight - 10; y < kPlotHeight; ++y)
            ink = ink || Pixel(x, y) != background;
        if (ink && gap >= 3)
            words.push_back({x, x});
        if (ink)
            words.back().second = x;
        gap = ink ? 0 : gap + 1;
    }
    ASSERT_EQ(words.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR((words[i].first + words[i].second) / 2.0, BandLeft(2 + 3 * i, width, 5, 3) + 2,
                    2.0)
            << "band " << 2 + 3 * i;
}

// Readers are handed back when the bars go, so editors can open again and
// again; a new stream format brings new meters, and the bars follow them.
TEST_F(SpecPlotBarsTest, ReadersSurviveReopeningAndNewStreamFormats)
{
    ShowOnly(true, false, false);
    for (int i = 0; i < 20; ++i)
        mEditor.reset(), OpenBars();
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    mBlock = 256;
    mPlugin.SetMaxBlockSize(mBlock);
    for (int i = 0; i < 10; ++i)
        Refresh(Chord(mRate, {{1000.0, 0.5}}));
    EXPECT_NEAR(TopOf(BandLeft(17) + 5, Color(Plot::clrLeft)), ExpectedY(-6.02, kPixelsPerDb), 1);
}

// The view as reviewed, in each bar style, on a mono and a stereo instance:
// pink noise under a few tones, a memory slot of an earlier moment, the
// readout of the band under the mouse.
class SpecPlotBarsSnapshot : public SpecPlotBarsTest,
                             public ::testing::WithParamInterface<std::tuple<int, int>>
{
protected:
    SpecPlotBarsSnapshot() : SpecPlotBarsTest(std::get<0>(GetParam())) {}
    std::function<float(std::int64_t)> Noisy(unsigned seed,
                                             std::vector<std::pair<double, double>> tones)
    {
        auto pink = PinkNoise(seed);
        auto chord = Chord(mRate, std::move(tones));
        return [=](std::int64_t t) { return pink(t) + chord(t); };
    }
};

TEST_P(SpecPlotBarsSnapshot, MatchesTheReviewedPicture)
{
    const auto [channels, style] = GetParam();
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetAnalysisChannel(channels == 2 ? QVXSpecConfig::kChBoth : QVXSpecConfig::kChLeft);
    Config().SetThirdOctBarView(style);
    Config().SetShowAverage(true);
    OpenBars();
    auto left = Noisy(3, {{63.0, 0.3}, {2000.0, 0.1}}), right = Noisy(5, {{500.0, 0.2}});
    for (int i = 0; i < 40; ++i)
        Refresh(left, right);
    Config().RequestInstantStore();
    Config().SetMemSlotVisible(0, true);
    left = Noisy(9, {{160.0, 0.25}, {6300.0, 0.05}});
    right = Noisy(13, {{1000.0, 0.3}, {12500.0, 0.02}});
    for (int i = 0; i < 30; ++i)
        Refresh(left, right);
    mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + 260, kPlotOrigin.y + 100});
    TimerTicks(3);
    mEditor->Paint();
    static const char* styles[] = {"live", "peak", "average"};
    EXPECT_TRUE(SnapshotTest::MatchesReference(
        *mEditor,
        {kPlotOrigin.x, kPlotOrigin.y, kPlotOrigin.x + kPlotWidth, kPlotOrigin.y + kPlotHeight},
        std::string("bars-") + (channels == 2 ? "stereo-" : "mono-") + styles[style]));
}

INSTANTIATE_TEST_SUITE_P(Styles, SpecPlotBarsSnapshot,
                         ::testing::Combine(::testing::Values(1, 2), ::testing::Values(0, 1, 2)),
                         (
                             [](const auto& info)
                             {
                                 static const char* styles[] = {"Live", "PeakHold", "Average"};
                                 return std::string(std::get<0>(info.param) == 2 ? "Stereo"
                                                                                 : "Mono") +
                                        styles[std::get<1>(info.param)];
                             }));

} // namespace
