// The FFT view's curves in simulated time, through the real plug-in: the live
// curve falls at 60 / decay time dB per second, the average follows each
// frame with alpha = 1 / (1 + c T F), the peak hold holds for its time and
// then falls at 60 / D dB per second, never through the live curve; without
// frames (audio running) silence is fed after 13 ticks, and with the host
// stopped the display stays as it is.

#include "SpecPlotTestSupport.h"

namespace
{
using namespace SpecPlotTest;

constexpr int kBin = 64; // of the default 2048-point FFT: 1500 Hz at 48 kHz
const double kFullScaleDb = 20.0 * std::log10(0.5);
// Silence: 0 power, -200 dB, less 20 log10(n).
const float kSilenceDb = -200.0f - static_cast<float>(20.0 * std::log10(2048.0));
// c of alpha = 1 / (1 + c T F), F = S / (n / 2) frames a second.
const double kAverageC = 0.5 * (1.0 - std::exp(-1.0)) / 0.95;

class SpecPlotBallistics : public PlotFixture
{
protected:
    const QVXSpecPlotCurves& Mix() const { return mPlot->GetCurves(1); } // chSum: the mix is slot 1
    float Live() const { return Mix().GetLive()[kBin]; }
    float Average() const { return Mix().GetAverage()[kBin]; }
    float Hold() const { return Mix().GetPeakHold()[kBin]; }

    // One refresh period: `hops` hops of 1024 samples of the tone (one
    // analysis frame each once the window is full), then 3 timer ticks.
    void Refresh(double amplitude, int hops = 2)
    {
        Feed(static_cast<std::int64_t>(hops) * 1024, Tone(kBin, 2048, amplitude));
        TimerTicks(3);
    }
    // Opens the plot and brings the curves up to the full-scale tone.
    void OpenSettled()
    {
        Open();
        for (int i = 0; i < 6; ++i)
            Refresh(1.0);
    }
};

class SpecPlotSilence : public SpecPlotBallistics, public ::testing::WithParamInterface<float>
{
};

// Audio runs, but no frame comes: the curves wait 13 ticks, then silence is
// fed. The live curve falls at 60 dB per decay time a second down to the level
// of silence; the average moves by alpha of the distance for every frame that
// time would have brought, at most one second's worth.
TEST_P(SpecPlotSilence, LiveFallsAtItsRateAndTheAverageCountsTheFramesTheTimeWouldHaveBrought)
{
    const double decayTime = GetParam();
    Config().SetInstantaneousDecayTime(GetParam());
    Config().SetAveragingTime(0.5f);
    OpenSettled();
    ASSERT_NEAR(Live(), kFullScaleDb, 0.01);
    const double framesPerSecond = mRate / 1024.0;
    const double alpha = 1.0 / (1.0 + kAverageC * 0.5 * framesPerSecond);
    const auto afterSilence = [&](double average, double ticks)
    {
        const double frames =
            std::min(std::trunc(ticks / 60.0 * framesPerSecond + 0.1), std::trunc(framesPerSecond));
        return kSilenceDb + (average - kSilenceDb) * std::pow(1.0 - alpha, frames);
    };
    std::uint32_t last = mPlot->GetLastCurveUpdate();
    const auto nextUpdate = [&]
    {
        for (const std::uint32_t start = Now(); Now() - start < 60;)
            if (TimerTicks(1); mPlot->GetLastCurveUpdate() != last)
                break;
        return mPlot->GetLastCurveUpdate() - last;
    };

    mPlugin.audioRunning = true;
    double live = Live(), average = Average();
    for (int i = 0; i < 10; ++i)
    {
        const std::uint32_t ticks = nextUpdate();
        if (i == 0)
        {
            EXPECT_GE(ticks, 13u);
            ASSERT_LE(ticks, 16u) << "silence never fed";
            EXPECT_TRUE(mPlot->IsFeedingSilence());
        }
        live = std::max<double>(live - 60.0 / decayTime * ticks / 60.0, kSilenceDb);
        average = afterSilence(average, ticks);
        EXPECT_NEAR(Live(), live, 1e-3) << "after " << ticks << " ticks";
        EXPECT_NEAR(Average(), average, 1e-3) << "after " << ticks << " ticks";
        last += ticks;
    }

    // Two seconds frozen, then silence: one second's worth of frames at most.
    mPlot->GetFreezeSwitch().SetValue(1);
    TimerTicks(120);
    mPlot->GetFreezeSwitch().SetValue(0);
    const std::uint32_t ticks = nextUpdate();
    EXPECT_GT(ticks, 120u);
    EXPECT_NEAR(Average(), afterSilence(average, ticks), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(DecayTimes, SpecPlotSilence, ::testing::Values(0.5f, 2.0f));

TEST_F(SpecPlotBallistics, ThePeakHoldHoldsForItsTimeThenFallsButNeverBelowLiveOrNeverIfNegative)
{
    Config().SetPeakHoldTime(1.0f);
    Config().SetPeakDecay(10.0f, true);
    OpenSettled();
    ASSERT_NEAR(Hold(), kFullScaleDb, 0.01);
    const double quiet = 20.0 * std::log10(0.5 * 0.1); // -26.02 dB

    // From the last refresh at which the live curve reached the hold, the
    // hold stays 60 ticks, then loses 60 / D dB per second of refresh.
    std::uint32_t raised = mPlot->GetLastCurveUpdate();
    double held = Hold();
    bool fell = false;
    for (int i = 0; i < 150; ++i)
    {
        Refresh(0.1);
        const std::uint32_t now = mPlot->GetLastCurveUpdate();
        ASSERT_GE(Hold(), Live()) << "refresh " << i;
        if (Live() >= held)
        {
            raised = now;
            held = Live();
        }
        else if (now - raised <= 60)
            EXPECT_EQ(Hold(), held) << "refresh " << i << ", " << now - raised << " ticks after";
        else
        {
            held = std::max(held - 3.0 / 60.0 / 10.0 * 60.0, static_cast<double>(Live()));
            EXPECT_NEAR(Hold(), held, 1e-3) << "refresh " << i;
            fell = true;
        }
    }
    EXPECT_TRUE(fell);
    EXPECT_NEAR(Hold(), quiet, 0.01) << "it has come down onto the live curve";
    EXPECT_NEAR(Live(), quiet, 0.01);

    // A negative hold time holds the top forever.
    Config().SetPeakHoldTime(-1.0f);
    Refresh(1.0);
    const float top = Hold();
    for (int i = 0; i < 400; ++i) // 20 s
        Refresh(0.1);
    EXPECT_EQ(Hold(), top);
    EXPECT_NEAR(Live(), quiet, 0.01);
}

TEST_F(SpecPlotBallistics, AfterAChannelModeChangeTheNextFramesAreIgnored)
{
    OpenSettled();
    const float before = Average();
    // Left only: the frames already in the pool were analysed as a mix.
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    EXPECT_EQ(Hold(), QVXSpecPlotCurves::kRestartedHoldDb) << "the held peaks start again";
    const auto leftAverage = [this] { return mPlot->GetCurves(0).GetAverage()[kBin]; };
    Refresh(1.0);
    EXPECT_EQ(leftAverage(), kSilenceDb) << "the first frames after the change were skipped";
    EXPECT_EQ(Average(), before);
    Refresh(1.0);
    EXPECT_GT(leftAverage(), kSilenceDb);
    EXPECT_NEAR(mPlot->GetCurves(0).GetLive()[kBin], kFullScaleDb, 0.01);
}

TEST_F(SpecPlotBallistics, WithTheHostStoppedOrWhileFrozenTheCurvesKeepTheirState)
{
    OpenSettled();
    const float live = Live();
    const std::pair before{live, Average()};
    mPlugin.audioRunning = false; // the host stopped: no silence is fed
    TimerTicks(60);
    EXPECT_FALSE(mPlot->IsFeedingSilence());
    EXPECT_EQ(std::pair(Live(), Average()), before);

    mPlot->GetFreezeSwitch().SetValue(1);
    EXPECT_FALSE(mPlugin.GetSpecService().IsActive()) << "nobody looks at the spectrum";
    // Frozen, the spectrum service analyses nothing; what was pending is dropped.
    for (int i = 0; i < 20; ++i)
        Refresh(0.1);
    EXPECT_EQ(Live(), live);
    std::vector<SpecCaptureAgentDyn::Slot*> pending;
    EXPECT_FALSE(mPlugin.GetSpecService().TakeFullSlots(pending));

    const std::uint32_t thawed = Now();
    mPlot->GetFreezeSwitch().SetValue(0);
    EXPECT_TRUE(mPlugin.GetSpecService().IsActive());
    for (const std::uint32_t tick : Mix().GetHoldTicks())
        EXPECT_EQ(tick, thawed) << "held peaks hold their full time again";
    Refresh(0.1);
    Refresh(0.1);
    EXPECT_LT(Live(), live);
}

// The curves convert powers with a logarithm of their own (one the compiler
// can run over a whole frame at once): within 2e-5 dB of 10 log10(p) over
// every power a frame can hold, with silence and "nothing at all" apart.
TEST(SpecPlotLevels, APowerReadsTenLog10OfItWithinTwoHundredThousandthsOfADecibel)
{
    const float normalisation = QVXSpecPlotCurves::NormalisationDb(2048);
    const auto level = [&](float power)
    { return QVXSpecPlotCurves::PowerToLevel(power, normalisation); };
    double worst = 0.0;
    for (double exponent = -12.0; exponent <= 12.0; exponent += 0.000713)
    {
        const auto power = static_cast<float>(std::pow(10.0, exponent));
        const double exact = 10.0 * std::log10(static_cast<double>(power)) - normalisation;
        worst = std::max(worst, std::fabs(level(power) - exact));
    }
    EXPECT_LT(worst, 2e-5);
    EXPECT_EQ(level(0.0f), -200.0f - normalisation);
    for (const float nothing : {9.9e-13f, std::nanf(""), QVXSpecPlotCurves::kNoPower})
        EXPECT_EQ(level(nothing), -500.0f - normalisation) << nothing;
}

} // namespace
