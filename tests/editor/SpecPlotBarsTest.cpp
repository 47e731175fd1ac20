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
        {
            hold = live;
            holdTick = now;
        }
        else if (o.mPeakHoldTime >= 0 && (now - holdTick) > o.mPeakHoldTime * 60.0)
        {
            hold = std::max(hold - dt / o.mPeakDecay, live);
        }
    }
};

class SpecPlotBarsTest : public PlotFixture
{
protected:
    void OpenBars(int width = kPlotWidth)
    {
        Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
        Open(width);
        mBarsView = dynamic_cast<QVXSpecPlotBars*>(&mPlot->GetThirdOctaveView());
        ASSERT_NE(mBarsView, nullptr);
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

    QVXSpecPlotBars* mBarsView = nullptr;
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
// give from the service's own meter readings, in every bar style.
TEST_P(SpecPlotBarTops, EachBarTopLandsOnTheRowOfItsMeasuredLevel)
{
    const BarCase c = GetParam();
    mRate = c.rate;
    mPlugin.SetSampleRate(static_cast<float>(mRate));
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetAnalysisChannel(c.channelMode);
    Config().SetThirdOctBarView(c.style);
    // Only the filled type: level markers of the others would cover bar tops.
    Config().SetInstantaneous(c.style == 0);
    Config().SetPeakHold(c.style == 1);
    Config().SetShowAverage(c.style == 2);
    Config().SetDisplaySwitch(Plot::kShowGridLines, false);
    OpenBars();
    ASSERT_EQ(Bands(), 31);

    const bool both = c.channelMode == QVXSpecConfig::kChBoth;
    const int slots = both ? 2 : 1;
    std::vector<MeterReader*> peak, rms;
    std::vector<ExpectedBand> expected(static_cast<std::size_t>(31 * slots));
    for (int s = 0; s < slots; ++s)
        for (int b = 0; b < 31; ++b)
        {
            peak.push_back(&Service().GetBandPeakMeter(s, b)->AddMeter());
            rms.push_back(&Service().GetBandRmsMeter(s, b)->AddMeter());
            peak.back()->SetHoldTime(15);
            rms.back()->SetHoldTime(15);
        }

    const auto left = c.noise ? PinkNoise(7) : Chord(mRate, {{100.0, 0.5}, {1000.0, 0.05}, {8000.0, 0.2}});
    const auto right = c.noise ? PinkNoise(11) : Chord(mRate, {{250.0, 0.3}, {4000.0, 0.01}});
    std::uint32_t last = Now();
    const auto& options = Config().GetViewOptions(QVXSpecConfig::kAna3rdOct);
    // The bars were drawn once when the editor opened, before any audio.
    for (std::size_t k = 0; k < expected.size(); ++k)
        expected[k].Step(peak[k]->Read(), rms[k]->Read(), 0, last, options);
    for (int i = 0; i < 40; ++i)
    {
        Refresh(left, right);
        const std::uint32_t now = Now();
        for (std::size_t k = 0; k < expected.size(); ++k)
            expected[k].Step(peak[k]->Read(), rms[k]->Read(), now - last, now, options);
        last = now;
    }

    const int roles[3] = {Plot::clrLeft, Plot::clrLeftPeak, Plot::clrLeftAvg};
    for (int s = 0; s < slots; ++s)
    {
        const int mixRoles[3] = {Plot::clrLR, Plot::clrLRPeak, Plot::clrLRAvg};
        const CVLCanvas::ColorSpec color =
            Color(c.channelMode == QVXSpecConfig::kChSum ? mixRoles[c.style] : roles[c.style] + s);
        for (int b = 0; b < 31; ++b)
        {
            const ExpectedBand& e = expected[static_cast<std::size_t>(s * 31 + b)];
            const double level = c.style == 0 ? e.live : c.style == 1 ? e.hold : e.average;
            const int want = std::min(ExpectedY(level, kPixelsPerDb), kBarBottom);
            const int x = BandLeft(b) + (both ? s * 5 + 2 : 5);
            EXPECT_NEAR(TopOf(x, color), want, 1)
                << "band " << b << " slot " << s << " level " << level;
        }
    }
}

std::string BarCaseName(const ::testing::TestParamInfo<BarCase>& info)
{
    const BarCase& c = info.param;
    static const char* styles[] = {"Live", "PeakHold", "Average"};
    static const char* modes[] = {"Left", "Right", "Both", "Mix"};
    return std::to_string(static_cast<int>(c.rate)) + styles[c.style] +
           (c.noise ? "Noise" : "Sines") + modes[c.channelMode];
}

// Every rate with every style and both signals; the channel mode turns
// through all four along the way.
std::vector<BarCase> AllBarCases()
{
    std::vector<BarCase> cases;
    int mode = 0;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int style = 0; style < 3; ++style)
            for (bool noise : {true, false})
                cases.push_back({rate, style, noise, mode++ % 4});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(RatesStylesSignals, SpecPlotBarTops, ::testing::ValuesIn(AllBarCases()),
                         BarCaseName);

TEST_F(SpecPlotBarsTest, AtARateWithoutFilterBankOnlyTheNoteIsDrawn)
{
    mRate = 22050.0;
    mPlugin.SetSampleRate(22050.0f);
    OpenBars();
    ASSERT_EQ(Bands(), 0);
    Refresh(Tone(1, 64, 0.5), Tone(1, 64, 0.5));
    const CVLCanvas::ColorSpec background = Color(Plot::clrBG);
    int text = 0;
    for (int y = 0; y < kPlotHeight; ++y)
        for (int x = 0; x < kPlotWidth; ++x)
        {
            const CVLCanvas::ColorSpec p = Pixel(x, y);
            if (p == background)
                continue;
            // Only the note's glyphs, on its baseline 24, centred.
            ASSERT_TRUE(y >= 14 && y <= 27 && x > 120 && x < 380) << x << "," << y;
            text += p != background;
        }
    EXPECT_GT(text, 100);
}

// Live falls at 60 dB per fall time, the average moves by its constant per
// draw, the held peak stays for its hold time, then falls at the peak fall
// rate and never below live.
TEST_F(SpecPlotBarsTest, BallisticsFollowTheirRatesInSimulatedTime)
{
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    Config().SetInstantaneousDecayTime(1.0f); // 60 dB/s: 3 dB per 3-tick draw
    Config().SetAveragingTime(1.0f);
    Config().SetPeakHoldTime(0.5f); // 30 ticks
    Config().SetPeakDecay(5.0f);    // 12 dB/s: 0.6 dB per draw
    OpenBars();
    const int band = 17; // 1 kHz
    for (int i = 0; i < 40; ++i)
        Refresh(Chord(mRate, {{1000.0, 0.5}}), Chord(mRate, {{1000.0, 0.5}}));
    const auto state = [&] { return mBarsView->GetBands(0)[band]; };
    EXPECT_NEAR(state().live, 20 * std::log10(0.5), 0.2);
    // One louder refresh raises live and, with it, the held peak.
    Refresh(Chord(mRate, {{1000.0, 1.0}}), Chord(mRate, {{1000.0, 1.0}}));
    const double loud = state().live;
    EXPECT_NEAR(loud, 0.0, 0.5);
    EXPECT_EQ(state().hold, state().live);
    const std::uint32_t held = state().holdTick;
    EXPECT_EQ(held, Now());

    // Silence: no audio at all, so the readers fall back after their hold.
    const double alpha = 1.0 / (1.0 + 0.5 * (1.0 - std::exp(-1.0)) / 0.95 * 1.0 * 20.0);
    QVXSpecPlotBars::BandState previous = state();
    bool fell = false;
    for (int i = 0; i < 30; ++i)
    {
        TimerTicks(3);
        mEditor->Paint();
        const QVXSpecPlotBars::BandState now = state();
        if (now.peakReading < -900.0f)
        {
            EXPECT_NEAR(now.live, std::max(previous.live - 3.0, -1000.0), 1e-3) << i;
            EXPECT_NEAR(now.average,
                        previous.average + (now.rmsReading - previous.average) * alpha, 1e-2);
        }
        EXPECT_GE(now.hold, now.live);
        if (Now() - held <= 30)
            EXPECT_EQ(now.hold, previous.hold) << i;
        else if (now.hold > now.live)
        {
            EXPECT_NEAR(now.hold, previous.hold - 0.6, 1e-3) << i;
            fell = true;
        }
        previous = now;
    }
    EXPECT_TRUE(fell);
    EXPECT_LT(state().live, loud - 60.0);
}

// Memory slots of this view are level markers in the slot's colour, but only
// when they hold exactly as many bands as the bank has now.
TEST_F(SpecPlotBarsTest, MemorySlotsWithAnotherBandCountAreNotDrawn)
{
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetInstantaneous(false);
    Config().SetPeakHold(false);
    Config().SetShowAverage(false);
    Config().SetDisplaySwitch(Plot::kShowGridLines, false);
    OpenBars();
    QVXSpecConfig::MemSlotData data;
    data.mView = QVXSpecConfig::kAna3rdOct;
    data.mAnalysisChannel = QVXSpecConfig::kChLeft;
    data.mFs = 32000;
    data.mBands = 30;
    data.mChannels = {std::vector<float>(30, -20.0f), {}};
    Config().SetMemSlotData(1, data);
    Config().SetMemSlotVisible(1, true);
    mEditor->Paint();
    const CVLCanvas::ColorSpec memory = Color(Plot::clrMemL2);
    EXPECT_EQ(TopOf(BandLeft(3) + 5, memory), kBarBottom);

    data.mFs = 48000;
    data.mBands = 31;
    data.mChannels = {std::vector<float>(31, -20.0f), {}};
    Config().SetMemSlotData(1, data);
    mEditor->Paint();
    const int y = ExpectedY(-20.0, kPixelsPerDb);
    for (int b : {0, 15, 30})
    {
        EXPECT_EQ(RowsOf(BandLeft(b) + 5, memory, kBarBottom), (std::vector<int>{y, y + 1})) << b;
        EXPECT_NE(Pixel(BandLeft(b) - 1, y), memory);
        EXPECT_NE(Pixel(BandLeft(b) + 10, y), memory);
    }
}

// A narrow plot labels only every third band (31, 63, 125, ...): its label
// strip holds ten separate words, each centred on its band.
TEST_F(SpecPlotBarsTest, NarrowPlotsLabelEveryThirdBand)
{
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetDisplaySwitch(Plot::kShowGridLines, false);
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
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        const int band = 2 + 3 * static_cast<int>(i);
        const int centre = BandLeft(band, width, 5, 3) + 2;
        EXPECT_NEAR((words[i].first + words[i].second) / 2.0, centre, 2.0) << band;
    }
}

// Readers are handed back when the bars go, so editors can open again and
// again; a new stream format brings new meters, and the bars follow them.
TEST_F(SpecPlotBarsTest, ReadersSurviveReopeningAndNewStreamFormats)
{
    for (int i = 0; i < 20; ++i)
    {
        OpenBars();
        mEditor.reset();
        mPlot = nullptr;
    }
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetPeakHold(false);
    Config().SetShowAverage(false);
    OpenBars();
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    Config().SetDisplaySwitch(Plot::kShowGridLines, false);
    mBlock = 256;
    mPlugin.SetMaxBlockSize(mBlock);
    for (int i = 0; i < 10; ++i)
        Refresh(Chord(mRate, {{1000.0, 0.5}}), Chord(mRate, {{1000.0, 0.5}}));
    EXPECT_NEAR(TopOf(BandLeft(17) + 5, Color(Plot::clrLeft)), ExpectedY(-6.02, kPixelsPerDb), 1);
}

// The view as reviewed, in each bar style, on a mono and a stereo instance:
// pink noise under a few tones, a memory slot of an earlier moment, the
// readout of the band under the mouse.
struct SnapshotCase
{
    int channels;
    int style;
};

class SpecPlotBarsSnapshot : public PlotFixture, public ::testing::WithParamInterface<SnapshotCase>
{
protected:
    SpecPlotBarsSnapshot() : PlotFixture(GetParam().channels) {}
};

TEST_P(SpecPlotBarsSnapshot, MatchesTheReviewedPicture)
{
    const SnapshotCase c = GetParam();
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetAnalysisChannel(c.channels == 2 ? QVXSpecConfig::kChBoth : QVXSpecConfig::kChLeft);
    Config().SetThirdOctBarView(c.style);
    Config().SetInstantaneous(true);
    Config().SetShowAverage(true);
    Config().SetPeakHold(true);
    Open();
    const auto noise = [](unsigned seed, std::vector<std::pair<double, double>> tones, double rate)
    {
        auto pink = PinkNoise(seed);
        auto chord = Chord(rate, std::move(tones));
        return [=](std::int64_t t) { return pink(t) + chord(t); };
    };
    const auto refresh = [&](const auto& left, const auto& right, int count)
    {
        for (int i = 0; i < count; ++i)
        {
            Feed(static_cast<std::int64_t>(mRate * 0.051), left, right);
            TimerTicks(3);
            mEditor->Paint();
        }
    };
    refresh(noise(3, {{63.0, 0.3}, {2000.0, 0.1}}, mRate), noise(5, {{500.0, 0.2}}, mRate), 40);
    Config().RequestInstantStore();
    Config().SetMemSlotVisible(0, true);
    refresh(noise(9, {{160.0, 0.25}, {6300.0, 0.05}}, mRate),
            noise(13, {{1000.0, 0.3}, {12500.0, 0.02}}, mRate), 30);
    mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + 260, kPlotOrigin.y + 100});
    TimerTicks(3);
    mEditor->Paint();
    static const char* styles[] = {"live", "peak", "average"};
    EXPECT_TRUE(SnapshotTest::MatchesReference(
        *mEditor, {kPlotOrigin.x, kPlotOrigin.y, kPlotOrigin.x + kPlotWidth, kPlotOrigin.y + kPlotHeight},
        std::string("bars-") + (c.channels == 2 ? "stereo-" : "mono-") + styles[c.style]));
}

std::string SnapshotCaseName(const ::testing::TestParamInfo<SnapshotCase>& info)
{
    static const char* styles[] = {"Live", "PeakHold", "Average"};
    return std::string(info.param.channels == 2 ? "Stereo" : "Mono") + styles[info.param.style];
}

INSTANTIATE_TEST_SUITE_P(Styles, SpecPlotBarsSnapshot,
                         ::testing::Values(SnapshotCase{1, 0}, SnapshotCase{1, 1}, SnapshotCase{1, 2},
                                           SnapshotCase{2, 0}, SnapshotCase{2, 1}, SnapshotCase{2, 2}),
                         SnapshotCaseName);

} // namespace
