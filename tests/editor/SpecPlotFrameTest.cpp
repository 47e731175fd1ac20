// The plot as a frame of the editor: views and their clicks, the scales it
// builds, the curves it stores into memory slots and draws from them, the
// zoom readout, who it tells the services it listens to, and the hook through
// which the third-octave bars are drawn.

#include "SpecPlotTestSupport.h"

#include "gui/OGWorld.h"

#include <string>

namespace
{
using namespace SpecPlotTest;

class SpecPlotFrameTest : public PlotFixture
{
};

TEST_F(SpecPlotFrameTest, ANarrowPlotCyclesTheViewsOnEachClickAndAWideOneDoesNot)
{
    Open(200, 120);
    EXPECT_TRUE(mPlot->IsNarrow());
    EXPECT_EQ(mPlot->GetBarWidth(), 5);
    EXPECT_EQ(mPlot->GetHalfBarWidth(), 2);
    EXPECT_EQ(mPlot->GetBarGap(), 3);
    EXPECT_EQ(mPlot->GetLabelStripHeight(), 10);
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
    EXPECT_EQ(mPlot->GetBarWidth(), 10);
    EXPECT_EQ(mPlot->GetLabelStripHeight(), 20);
    mEditor->Click(inside);
    EXPECT_EQ(Config().GetSpectrumView(), 1);
}

TEST_F(SpecPlotFrameTest, TheLogScaleMapsFrequenciesBelowOneHertzLikeOneHertz)
{
    Config().SetLogScale(true);
    Open();
    const QVXSpecPlotFreqScale& scale = mPlot->GetFreqScale();
    const int oneHertz = ExpectedX(1.0 / mRate, 10.0 / mRate, 0.5, kPlotWidth, mRate, true);
    EXPECT_LT(oneHertz, 0);
    EXPECT_EQ(scale.Map(0.0), oneHertz);
    EXPECT_EQ(scale.Map(0.4 / mRate), oneHertz);
    EXPECT_EQ(scale.Map(1.0 / mRate), oneHertz);
    EXPECT_EQ(mPlot->GetFreqScale().GetBinX()[0], oneHertz) << "bin 0, DC";
    EXPECT_EQ(scale.Map(10.0 / mRate), 0);
    EXPECT_EQ(scale.Map(0.5), kPlotWidth);
    // The grid ends with the sentinel one pixel right of the plot.
    EXPECT_EQ(scale.GetGrid().back().x, kPlotWidth + 1);
    EXPECT_EQ(scale.GetGrid()[6].label, "1k");
    EXPECT_EQ(scale.GetGrid()[6].x,
              ExpectedX(1000.0 / mRate, 10.0 / mRate, 0.5, kPlotWidth, mRate, true));
}

TEST_F(SpecPlotFrameTest, LevelRangesSpanTheirDecibelsOverThePlotAndTheBarsLeaveTheLabelStrip)
{
    Open();
    const struct
    {
        int selection;
        double pixelsPerDb;
    } cases[] = {{0, 200.0 / 60.0}, {1, 200.0 / 100.0}, {2, 200.0 / 140.0}};
    for (const auto& c : cases)
    {
        Config().SetAmpScale(c.selection);
        EXPECT_DOUBLE_EQ(mPlot->GetLevelScale().GetPixelsPerDb(), c.pixelsPerDb) << c.selection;
        EXPECT_EQ(mPlot->GetLevelScale().ToY(-50.0), ExpectedY(-50.0, c.pixelsPerDb));
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
    const struct
    {
        int slot;
        int type;
        const std::vector<float>* curve;
    } stored[] = {{0, QVXSpecConfig::kDtInstant, &mix.GetLive()},
                  {1, QVXSpecConfig::kDtAverage, &mix.GetAverage()},
                  {2, QVXSpecConfig::kDtPeakHold, &mix.GetPeakHold()}};
    for (const auto& s : stored)
    {
        const QVXSpecConfig::MemSlotData& data = config.GetMemSlotData(s.slot);
        EXPECT_EQ(data.mType, s.type);
        EXPECT_EQ(data.mBands, 2048);
        EXPECT_EQ(data.mFs, 48000);
        EXPECT_EQ(data.mView, QVXSpecConfig::kAnaFFT);
        EXPECT_EQ(data.mAnalysisChannel, QVXSpecConfig::kChSum);
        EXPECT_EQ(data.mWindow, 1);
        ASSERT_EQ(data.mChannels.size(), 2u);
        EXPECT_TRUE(data.mChannels[0].empty()) << "the mix has no left curve";
        EXPECT_EQ(data.mChannels[1], *s.curve);
        EXPECT_FALSE(data.mVisible) << "storing keeps the slot hidden";
    }
    EXPECT_NEAR(config.GetMemSlotData(0).mChannels[1][bin], 20.0 * std::log10(0.5), 0.01);

    // Shown, slot 1 draws in the mix memory colour of slot 1, peaking where the curve peaked.
    config.SetMemSlotVisible(0, true);
    mEditor->Paint();
    const CVLCanvas::ColorSpec memory = Shown(config.GetColor(0, QVXSpecPlotFrame::clrMemM1));
    const int x = ExpectedX(bin / 2048.0, 10.0 / mRate, 0.5, kPlotWidth, mRate, true);
    const int y = ExpectedY(20.0 * std::log10(0.5), 2.0);
    EXPECT_EQ(Pixel(x, y), memory);
    const std::vector<int> rows = RowsOf(x, memory);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), y);

    // A slot stored at another rate and size maps its own bins: 8192 points at
    // 96 kHz put bin 2 * 64 where our bin 64 is (1500 Hz).
    QVXSpecConfig::MemSlotData other = config.GetMemSlotData(0);
    other.mBands = 8192;
    other.mFs = 96000;
    other.mChannels[1].assign(4096, -150.0f);
    other.mChannels[1][2 * bin] = -20.0f;
    config.SetMemSlotData(0, other);
    mEditor->Paint();
    const std::vector<int> otherRows = RowsOf(x, memory);
    ASSERT_FALSE(otherRows.empty());
    EXPECT_EQ(otherRows.front(), ExpectedY(-20.0, 2.0));

    // The spectrogram view stores nothing.
    config.SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    config.RequestInstantStore();
    EXPECT_FALSE(config.GetMemSlotData(0).HasData()) << "the spectrogram's own slots stay empty";
}

TEST_F(SpecPlotFrameTest, TheZoomReadoutShowsAfterAZoomChangeForThreeHundredTicks)
{
    Open();
    EXPECT_FALSE(mPlot->IsZoomReadoutVisible());
    Config().SetFreqZoom(true);
    EXPECT_TRUE(mPlot->IsZoomReadoutVisible());
    EXPECT_TRUE(mPlot->GetFreqScale().IsZoomed());
    TimerTicks(200);
    Config().SetFreqZoomRange(300.0f, 3000.0f); // restarts the time
    TimerTicks(200);
    EXPECT_TRUE(mPlot->IsZoomReadoutVisible());
    EXPECT_EQ(mPlot->GetFreqScale().Map(300.0 / mRate), 0);
    TimerTicks(101);
    EXPECT_FALSE(mPlot->IsZoomReadoutVisible());
}

TEST_F(SpecPlotFrameTest, ItListensToTheServiceOfTheViewItShows)
{
    Open();
    QuarvixSpecService& spectrum = mPlugin.GetSpecService();
    Quarvix3rdOctAnalysisService& bands = mPlugin.Get3rdOctService();
    EXPECT_EQ(spectrum.GetMode(), SpecCaptureAgentDyn::kModeSlots)
        << "the pool stores frames once the plot is there";
    EXPECT_TRUE(spectrum.IsActive());
    EXPECT_FALSE(bands.IsActive());
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    EXPECT_FALSE(spectrum.IsActive());
    EXPECT_TRUE(bands.IsActive());
    Config().SetAnalysisChannel(QVXSpecConfig::kChBoth);
    EXPECT_EQ(bands.GetAnalysisChannel(), Quarvix3rdOctAnalysisService::kSelectBoth);
    Config().SetAnalysisChannel(QVXSpecConfig::kChRight);
    EXPECT_EQ(bands.GetAnalysisChannel(), Quarvix3rdOctAnalysisService::kSelectRight);
    Config().SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    EXPECT_TRUE(spectrum.IsActive());
    EXPECT_FALSE(bands.IsActive());
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

    // The background and "- OFF -" centred on baseline 16, nothing else.
    const CVLCanvas::ColorSpec background = Shown(Config().GetColor(0, QVXSpecPlotFrame::clrBG));
    OGWorld expected(Rect{0, 0, kPlotWidth, kPlotHeight});
    expected.SetForeColor(background);
    expected.PaintRect({0, 0, kPlotWidth, kPlotHeight});
    expected.SetTextFace(1, Shown(Config().GetColor(0, QVXSpecPlotFrame::clrReadout)));
    expected.MoveTo({(kPlotWidth - expected.TextWidth("- OFF -")) / 2, 16});
    expected.DrawString("- OFF -");
    int differences = 0;
    for (int y = 0; y < kPlotHeight; ++y)
        for (int x = 0; x < kPlotWidth; ++x)
        {
            CVLCanvas::ColorSpec want;
            expected.GetPixel({x, y}, want);
            differences += Pixel(x, y) == want ? 0 : 1;
        }
    EXPECT_EQ(differences, 0);
}

// A view 2 that records what the plot asks of it.
struct RecordingBars : QVXSpecPlotFrame::ThirdOctaveView
{
    int rebuilds = 0, draws = 0, readouts = 0, fills = 0;
    Point mouse{-1, -1};
    void Rebuild(QVXSpecPlotFrame&) override { ++rebuilds; }
    void Draw(QVXSpecPlotFrame&, DrawContext&, std::uint32_t) override { ++draws; }
    void DrawReadout(QVXSpecPlotFrame&, DrawContext&, Point at) override
    {
        ++readouts;
        mouse = at;
    }
    bool FillMemSlot(QVXSpecPlotFrame&, std::int32_t type,
                     QVXSpecConfig::MemSlotData& data) override
    {
        ++fills;
        data.mType = type;
        data.mView = QVXSpecConfig::kAna3rdOct;
        data.mBands = 31;
        data.mChannels = {std::vector<float>(31, -40.0f)};
        return true;
    }
};

TEST_F(SpecPlotFrameTest, TheThirdOctaveViewIsDrawnThroughItsHookOverTheLevelGrid)
{
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowLevelLabels, false);
    Open();
    auto bars = std::make_unique<RecordingBars>();
    RecordingBars& record = *bars;
    mPlot->SetThirdOctaveView(std::move(bars));
    EXPECT_EQ(record.rebuilds, 1);
    mEditor->Paint();
    EXPECT_EQ(record.draws, 1);
    // The level grid of the bars: 180 pixels for 100 dB, lines down to the strip.
    const CVLCanvas::ColorSpec grid = Shown(Config().GetColor(2, QVXSpecPlotFrame::clrGrid));
    EXPECT_EQ(Pixel(250, ExpectedY(-50.0, 1.8)), grid);
    EXPECT_EQ(Pixel(250, ExpectedY(-100.0, 1.8)), grid);

    mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + 120, kPlotOrigin.y + 50});
    TimerTicks(3);
    mEditor->Paint();
    EXPECT_GE(record.readouts, 1);
    EXPECT_EQ(record.mouse, (Point{120, 50}));

    Config().RequestPeakHoldStore();
    EXPECT_EQ(record.fills, 1);
    EXPECT_EQ(Config().GetMemSlotData(0).mType, QVXSpecConfig::kDtPeakHold);
    EXPECT_EQ(Config().GetMemSlotData(0).mBands, 31);
    Config().SetAnalysisChannel(QVXSpecConfig::kChLeft);
    EXPECT_EQ(record.rebuilds, 2);
}

} // namespace
