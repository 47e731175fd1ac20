// The plot as a frame of the editor: views and their clicks, the scales it
// builds, the curves it stores into memory slots and draws from them, the
// zoom readout, and who it tells the services it listens to. The third-octave
// view drawn through its hook is proved by the bars' own suite.

#include "SpecPlotTestSupport.h"

#include <string>

namespace
{
using namespace SpecPlotTest;

using SpecPlotFrameTest = PlotFixture;

TEST_F(SpecPlotFrameTest, ANarrowPlotCyclesTheViewsOnEachClickAndAWideOneDoesNot)
{
    Open(200, 120);
    EXPECT_TRUE(mPlot->IsNarrow());
    EXPECT_EQ((std::vector<int>{mPlot->GetBarWidth(), mPlot->GetHalfBarWidth(), mPlot->GetBarGap(),
                                mPlot->GetLabelStripHeight()}),
              (std::vector<int>{5, 2, 3, 10}));
    const Point inside{kPlotOrigin.x + 100, kPlotOrigin.y + 60};
    std::vector<std::int32_t> views;
    for (int i = 0; i < 4; ++i)
    {
        mEditor->Click(inside);
        views.push_back(Config().GetSpectrumView());
    }
    EXPECT_EQ(views, (std::vector<std::int32_t>{1, 2, 0, 1}));

    mPlot = nullptr;
    mEditor.reset();
    Open(300, 120);
    EXPECT_FALSE(mPlot->IsNarrow());
    EXPECT_EQ(std::pair(mPlot->GetBarWidth(), mPlot->GetLabelStripHeight()), std::pair(10, 20));
    mEditor->Click(inside);
    EXPECT_EQ(Config().GetSpectrumView(), 1);
}

TEST_F(SpecPlotFrameTest, ScalesMapBelowOneHertzLikeOneHertzZoomWithAReadoutAndSpanTheLevelRanges)
{
    Config().SetLogScale(true);
    Open();
    const QVXSpecPlotFreqScale& scale = mPlot->GetFreqScale();
    const auto expectedX = [&](double hz)
    { return ExpectedX(hz / mRate, 10.0 / mRate, 0.5, kPlotWidth, mRate, true); };
    const int oneHertz = expectedX(1.0);
    EXPECT_LT(oneHertz, 0);
    for (const double hz : {0.0, 0.4, 1.0})
        EXPECT_EQ(scale.Map(hz / mRate), oneHertz) << hz;
    EXPECT_EQ(scale.GetBinX()[0], oneHertz) << "bin 0, DC";
    EXPECT_EQ(scale.Map(10.0 / mRate), 0);
    EXPECT_EQ(scale.Map(0.5), kPlotWidth);
    // The grid ends with the sentinel one pixel right of the plot.
    EXPECT_EQ(scale.GetGrid().back().x, kPlotWidth + 1);
    EXPECT_EQ(scale.GetGrid()[6].label, "1k");
    EXPECT_EQ(scale.GetGrid()[6].x, expectedX(1000.0));

    // The zoom readout shows after a zoom change for three hundred ticks.
    EXPECT_FALSE(mPlot->IsZoomReadoutVisible());
    Config().SetFreqZoom(true);
    EXPECT_TRUE(mPlot->IsZoomReadoutVisible());
    EXPECT_TRUE(mPlot->GetFreqScale().IsZoomed());
    TimerTicks(200);
    Config().SetFreqZoomRange(300.0f, 3000.0f); // restarts the time
    TimerTicks(200);
    EXPECT_TRUE(mPlot->IsZoomReadoutVisible());
    EXPECT_EQ(mPlot->GetFreqScale().Map(300.0 / mRate), 0);
    TimerTicks(99);
    EXPECT_TRUE(mPlot->IsZoomReadoutVisible());
    TimerTicks(2);
    EXPECT_FALSE(mPlot->IsZoomReadoutVisible());

    // Level ranges span their decibels over the plot; the bars leave the label strip.
    for (const int selection : {0, 1, 2})
    {
        const double pixelsPerDb = 200.0 / (60.0 + 40.0 * selection);
        Config().SetAmpScale(selection);
        EXPECT_DOUBLE_EQ(mPlot->GetLevelScale().GetPixelsPerDb(), pixelsPerDb) << selection;
        EXPECT_EQ(mPlot->GetLevelScale().ToY(-50.0), ExpectedY(-50.0, pixelsPerDb));
    }
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetAmpScale(0);
    EXPECT_DOUBLE_EQ(mPlot->GetLevelScale().GetPixelsPerDb(), (200.0 - 20.0) / 60.0);
    EXPECT_DOUBLE_EQ(mPlot->GetLevelScale().GetBottom(), -60.0);
}

TEST_F(SpecPlotFrameTest, StoreRequestsCopyTheirCurvesIntoTheDesignatedSlotsWhichAreThenDrawn)
{
    QVXSpecConfig& config = Config();
    config.SetInstantaneous(false);
    config.SetShowAverage(false);
    config.SetPeakHold(false);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Open();
    const int bin = 64;
    for (int i = 0; i < 6; ++i)
    {
        Feed(2448, Tone(bin, 2048));
        TimerTicks(3);
    }
    config.GetAverageSaveLocation().SetValue(1);
    config.GetPeakHoldSaveLocation().SetValue(2);
    config.RequestInstantStore();
    config.RequestAverageStore();
    config.RequestPeakHoldStore();

    const QVXSpecPlotCurves& mix = mPlot->GetCurves(1);
    const std::vector<float>* curves[] = {&mix.GetLive(), &mix.GetAverage(), &mix.GetPeakHold()};
    const int types[] = {QVXSpecConfig::kDtInstant, QVXSpecConfig::kDtAverage,
                         QVXSpecConfig::kDtPeakHold};
    for (int slot = 0; slot < 3; ++slot)
    {
        const QVXSpecConfig::MemSlotData& data = config.GetMemSlotData(slot);
        EXPECT_EQ((std::vector<int>{data.mType, data.mBands, data.mFs, data.mView,
                                    data.mAnalysisChannel, data.mWindow}),
                  (std::vector<int>{types[slot], 2048, 48000, QVXSpecConfig::kAnaFFT,
                                    QVXSpecConfig::kChSum, 1}))
            << "slot " << slot;
        // The mix has no left curve; storing keeps the slot hidden.
        EXPECT_EQ(data.mChannels, (std::vector<std::vector<float>>{{}, *curves[slot]}));
        EXPECT_FALSE(data.mVisible);
    }
    EXPECT_NEAR(config.GetMemSlotData(0).mChannels[1][bin], 20.0 * std::log10(0.5), 0.01);

    // Shown, slot 1 draws in the mix memory colour of slot 1, peaking where the curve peaked.
    config.SetMemSlotVisible(0, true);
    mEditor->Paint();
    const CVLCanvas::ColorSpec memory = Shown(config.GetColor(0, QVXSpecPlotFrame::clrMemM1));
    const int x = ExpectedX(bin / 2048.0, 10.0 / mRate, 0.5, kPlotWidth, mRate, true);
    const int y = ExpectedY(20.0 * std::log10(0.5), 2.0);
    const auto topOfMemory = [&]
    {
        const std::vector<int> rows = RowsOf(x, memory);
        return rows.empty() ? -1 : rows.front();
    };
    EXPECT_EQ(topOfMemory(), y);

    // A slot stored at another rate and size maps its own bins: 8192 points at
    // 96 kHz put bin 2 * 64 where our bin 64 is (1500 Hz).
    QVXSpecConfig::MemSlotData other = config.GetMemSlotData(0);
    other.mBands = 8192;
    other.mFs = 96000;
    other.mChannels[1].assign(4096, -150.0f);
    other.mChannels[1][2 * bin] = -20.0f;
    config.SetMemSlotData(0, other);
    mEditor->Paint();
    EXPECT_EQ(topOfMemory(), ExpectedY(-20.0, 2.0));

    // The spectrogram view stores nothing.
    config.SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    config.RequestInstantStore();
    EXPECT_FALSE(config.GetMemSlotData(0).HasData()) << "the spectrogram's own slots stay empty";
}

TEST_F(SpecPlotFrameTest, ItListensToTheServiceOfTheViewItShows)
{
    Open();
    QuarvixSpecService& spectrum = mPlugin.GetSpecService();
    Quarvix3rdOctAnalysisService& bands = mPlugin.Get3rdOctService();
    EXPECT_EQ(spectrum.GetMode(), SpecCaptureAgentDyn::kModeSlots)
        << "the pool stores frames once the plot is there";
    const auto active = [&] { return std::pair{spectrum.IsActive(), bands.IsActive()}; };
    EXPECT_EQ(active(), std::pair(true, false));
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    EXPECT_EQ(active(), std::pair(false, true));
    Config().SetAnalysisChannel(QVXSpecConfig::kChBoth);
    EXPECT_EQ(bands.GetAnalysisChannel(), Quarvix3rdOctAnalysisService::kSelectBoth);
    Config().SetAnalysisChannel(QVXSpecConfig::kChRight);
    EXPECT_EQ(bands.GetAnalysisChannel(), Quarvix3rdOctAnalysisService::kSelectRight);
    Config().SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    EXPECT_EQ(active(), std::pair(true, false));
}

TEST_F(SpecPlotFrameTest, WithAnalysisSwitchedOffOnlyOffIsShownAndFramesAreDropped)
{
    Open();
    std::string text = mPlugin.CaptureSettingsText();
    const std::string on = "<att name=\"mAnaEnabled\" type=\"bool\">true</att>";
    const auto at = text.find(on);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, on.size(), "<att name=\"mAnaEnabled\" type=\"bool\">false</att>");
    ASSERT_TRUE(mPlugin.ReadSettings(text));
    ASSERT_FALSE(Config().GetAnaEnabled());
    // Frames that still arrive are taken and dropped.
    mPlugin.GetSpecService().SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
    std::vector<float> frame(2048, 0.5f);
    mPlugin.GetSpecService().StoreFrame(0, 2048, frame.data(), false);
    mPlugin.GetSpecService().StoreFrame(1, 2048, frame.data(), false);
    TimerTicks(3);
    std::vector<SpecCaptureAgentDyn::Slot*> pending;
    EXPECT_FALSE(mPlugin.GetSpecService().TakeFullSlots(pending));
    EXPECT_EQ(mPlot->GetCurves(1).GetLive()[5],
              -200.0f - static_cast<float>(20.0 * std::log10(2048.0)))
        << "the curves saw nothing";
    mPlot->Invalidate();
    mEditor->Paint();
    EXPECT_EQ(DifferencesFromText("- OFF -", kPlotHeight, true), 0)
        << "only the background and \"- OFF -\" centred on baseline 16";
}

} // namespace
