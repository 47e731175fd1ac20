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
constexpr int kHop = 1024;
const double kFullScaleDb = 20.0 * std::log10(0.5);

class SpecPlotBallistics : public PlotFixture
{
protected:
    const QVXSpecPlotCurves& Mix() const { return mPlot->GetCurves(1); } // chSum: the mix is slot 1
    float Live() const { return Mix().GetLive()[kBin]; }
    float Average() const { return Mix().GetAverage()[kBin]; }
    float Hold() const { return Mix().GetPeakHold()[kBin]; }

    // One refresh period: `hops` hops of the tone (one analysis frame each
    // once the window is full), then 3 timer ticks.
    void Refresh(double amplitude, int hops = 2)
    {
        Feed(static_cast<std::int64_t>(hops) * kHop, Tone(kBin, 2048, amplitude));
        TimerTicks(3);
    }
};

class SpecPlotLiveFall : public SpecPlotBallistics, public ::testing::WithParamInterface<float>
{
};

TEST_P(SpecPlotLiveFall, TheLiveCurveFallsAtSixtyDecibelsPerDecayTimeOnceSilenceIsFed)
{
    const float decayTime = GetParam();
    Config().SetInstantaneousDecayTime(decayTime);
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    ASSERT_NEAR(Live(), kFullScaleDb, 0.01);
    const float peak = Live();
    const std::uint32_t lastFrames = mPlot->GetLastCurveUpdate();

    // Audio runs, but no frame comes: the curve waits 13 ticks, then falls.
    mPlugin.audioRunning = true;
    while (!mPlot->IsFeedingSilence())
    {
        ASSERT_EQ(Live(), peak);
        TimerTicks(1);
        ASSERT_LE(Now() - lastFrames, 16u) << "silence never fed";
    }
    const double rate = 60.0 / decayTime; // dB per second, 60 ticks a second
    std::uint32_t at = mPlot->GetLastCurveUpdate();
    EXPECT_GE(at - lastFrames, 13u);
    EXPECT_NEAR(Live(), peak - rate * (at - lastFrames) / 60.0, 1e-3);
    float previous = Live();
    for (int i = 0; i < 10; ++i)
    {
        TimerTicks(3);
        const std::uint32_t now = mPlot->GetLastCurveUpdate();
        // Down to the level of silence: 0 power, -200 dB, less 20 log10(n).
        const double expected =
            std::max(previous - rate * (now - at) / 60.0, -200.0 - 20.0 * std::log10(2048.0));
        EXPECT_NEAR(Live(), expected, 1e-3) << i;
        previous = Live();
        at = now;
    }
}

INSTANTIATE_TEST_SUITE_P(DecayTimes, SpecPlotLiveFall, ::testing::Values(0.5f, 2.0f));

TEST_F(SpecPlotBallistics, WithTheHostStoppedTheCurvesStayWhereTheyAre)
{
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    const float live = Live();
    const float average = Average();
    mPlugin.audioRunning = false;
    TimerTicks(60);
    EXPECT_FALSE(mPlot->IsFeedingSilence());
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(Average(), average);
}

TEST_F(SpecPlotBallistics, TheAverageMovesByAlphaOfTheDistanceForEveryFrame)
{
    for (const float averagingTime : {2.0f, 0.5f})
    {
        SCOPED_TRACE(averagingTime);
        mPlot = nullptr;
        mEditor.reset();
        Config().SetAveragingTime(averagingTime);
        Open();
        // alpha = 1 / (1 + c T F): c = 0.5 (1 - 1/e) / 0.95, F = S / (n / 2) frames a second.
        const double c = 0.5 * (1.0 - std::exp(-1.0)) / 0.95;
        const double alpha = 1.0 / (1.0 + c * averagingTime * (mRate / 1024.0));
        Refresh(1.0); // fills the window: from here every hop is one frame
        for (int i = 0; i < 5; ++i)
        {
            const double before = Average();
            Refresh(1.0, 2);
            const double expected =
                kFullScaleDb + (before - kFullScaleDb) * std::pow(1.0 - alpha, 2);
            EXPECT_NEAR(Average(), expected, 2e-3 * std::fabs(before - kFullScaleDb) + 1e-3) << i;
        }
        // And it gets there.
        for (int i = 0; i < 120; ++i)
            Refresh(1.0, 4);
        EXPECT_NEAR(Average(), kFullScaleDb, 0.05);
    }
}

TEST_F(SpecPlotBallistics, SilenceCountsAsTheFramesItsTimeWouldHaveBroughtAtMostOneSecondsWorth)
{
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    const double c = 0.5 * (1.0 - std::exp(-1.0)) / 0.95;
    const double framesPerSecond = mRate / 1024.0;
    const double alpha = 1.0 / (1.0 + c * 2.0 * framesPerSecond);
    const double silence = -200.0 - 20.0 * std::log10(2048.0);
    const auto afterSilence = [&](double average, double ticks)
    {
        const double frames =
            std::min(std::trunc(ticks / 60.0 * framesPerSecond + 0.1), std::trunc(framesPerSecond));
        return silence + (average - silence) * std::pow(1.0 - alpha, frames);
    };

    mPlugin.audioRunning = true;
    std::uint32_t last = mPlot->GetLastCurveUpdate();
    double average = Average();
    for (int i = 0; i < 8; ++i)
    {
        do
            TimerTicks(1);
        while (mPlot->GetLastCurveUpdate() == last);
        const std::uint32_t now = mPlot->GetLastCurveUpdate();
        average = afterSilence(average, now - last);
        EXPECT_NEAR(Average(), average, 1e-3) << "after " << now - last << " ticks";
        last = now;
    }

    // Two seconds frozen, then silence: one second's worth of frames at most.
    mPlot->GetFreezeSwitch().SetValue(1);
    TimerTicks(120);
    mPlot->GetFreezeSwitch().SetValue(0);
    do
        TimerTicks(1);
    while (mPlot->GetLastCurveUpdate() == last);
    EXPECT_GT(mPlot->GetLastCurveUpdate() - last, 120u);
    EXPECT_NEAR(Average(), afterSilence(average, mPlot->GetLastCurveUpdate() - last), 1e-3);
}

TEST_F(SpecPlotBallistics, ThePeakHoldHoldsForItsTimeThenFallsButNeverBelowTheLiveCurve)
{
    Config().SetPeakHoldTime(1.0f);
    Config().SetPeakDecay(10.0f, true);
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
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
            continue;
        }
        if (now - raised <= 60)
        {
            EXPECT_EQ(Hold(), held)
                << "refresh " << i << ", " << now - raised << " ticks after the peak";
            continue;
        }
        held = std::max(held - 3.0 / 60.0 / 10.0 * 60.0, static_cast<double>(Live()));
        EXPECT_NEAR(Hold(), held, 1e-3) << "refresh " << i;
        fell = true;
    }
    EXPECT_TRUE(fell);
    EXPECT_NEAR(Hold(), quiet, 0.01) << "it has come down onto the live curve";
    EXPECT_NEAR(Live(), quiet, 0.01);
}

TEST_F(SpecPlotBallistics, ANegativeHoldTimeHoldsTheTopForever)
{
    Config().SetPeakHoldTime(-1.0f);
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    const float top = Hold();
    for (int i = 0; i < 400; ++i) // 20 s
        Refresh(0.1);
    EXPECT_EQ(Hold(), top);
    EXPECT_NEAR(Live(), 20.0 * std::log10(0.05), 0.01);
}

TEST_F(SpecPlotBallistics, AfterAChannelModeChangeTheNextFramesAreIgnored)
{
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    const float before = Mix().GetAverage()[kBin];
    // Left only: the frames already in the pool were analysed as a mix.
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    EXPECT_EQ(Hold(), QVXSpecPlotCurves::kRestartedHoldDb) << "the held peaks start again";
    Refresh(1.0);
    EXPECT_EQ(mPlot->GetCurves(0).GetAverage()[kBin],
              -200.0f - static_cast<float>(20.0 * std::log10(2048.0)))
        << "the first frames after the change were skipped";
    EXPECT_EQ(Mix().GetAverage()[kBin], before);
    Refresh(1.0);
    EXPECT_GT(mPlot->GetCurves(0).GetAverage()[kBin],
              -200.0f - static_cast<float>(20.0 * std::log10(2048.0)));
    EXPECT_NEAR(mPlot->GetCurves(0).GetLive()[kBin], kFullScaleDb, 0.01);
}

TEST_F(SpecPlotBallistics, WhileFrozenFramesAreDiscardedAndTheCurvesKeepTheirState)
{
    Open();
    for (int i = 0; i < 6; ++i)
        Refresh(1.0);
    const float live = Live();
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

} // namespace

namespace
{
// The curves convert powers with a logarithm of their own (one the compiler
// can run over a whole frame at once): within 2e-5 dB of 10 log10(p) over
// every power a frame can hold, with silence and "nothing at all" apart.
TEST(SpecPlotLevels, APowerReadsTenLog10OfItWithinTwoHundredThousandthsOfADecibel)
{
    const float normalisation = QVXSpecPlotCurves::NormalisationDb(2048);
    double worst = 0.0;
    for (double exponent = -12.0; exponent <= 12.0; exponent += 0.000713)
    {
        const auto power = static_cast<float>(std::pow(10.0, exponent));
        const double exact = 10.0 * std::log10(static_cast<double>(power)) - normalisation;
        worst = std::max(worst, std::fabs(QVXSpecPlotCurves::PowerToLevel(power, normalisation) - exact));
    }
    EXPECT_LT(worst, 2e-5);
    EXPECT_EQ(QVXSpecPlotCurves::PowerToLevel(0.0f, normalisation), -200.0f - normalisation);
    EXPECT_EQ(QVXSpecPlotCurves::PowerToLevel(9.9e-13f, normalisation), -500.0f - normalisation);
    EXPECT_EQ(QVXSpecPlotCurves::PowerToLevel(std::nanf(""), normalisation), -500.0f - normalisation);
    EXPECT_EQ(QVXSpecPlotCurves::PowerToLevel(QVXSpecPlotCurves::kNoPower, normalisation), -500.0f - normalisation);
}
} // namespace
