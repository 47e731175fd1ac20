// The complete editor over the real plug-in: every analyzer control clicked
// where the layout table puts it, the configuration message and value each
// click gives, the panel following changes made elsewhere, the band-level
// alarms end to end, and pictures of the whole editor in each view.

#include "ScriptedDialogs.h"
#include "SnapshotCompare.h"
#include "SpecPlotTestSupport.h"

#include "analysis/QVXSpecDbConvertor.h"
#include "editor/QVXAlarmFrames.h"
#include "editor/QVXSpecBandLevelAlarmFrame.h"
#include "editor/QVXSpecPlotCurves.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/QuarvixMainFrame.h"
#include "editor/QuarvixSpecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/EditorTestSupport.h"
#include "gui/GraphicControl.h"
#include "model/QVXAlarmManager.h"
#include "skin/SkinPictures.h"
#include "support/MessageLog.h"

#include <random>
#include <sstream>
#include <tuple>

namespace
{
using namespace SpecPlotTest;
using namespace QVXSpecConfigMessages;
using SkinLayout::Panel;
using Config = QVXSpecConfig;
using Manager = QVXAlarmManager;
constexpr std::string_view kL = Manager::kBandLevelAlarmL, kR = Manager::kBandLevelAlarmR;

class EditorFixture : public PlotFixture
{
protected:
    explicit EditorFixture(std::int32_t channels = 2) : PlotFixture(channels) { InstallQuarvixEditor(); }

    void OpenEditor()
    {
        // The plug-in's own editor, as a host gets it.
        mPlugin.build = [this](PluginUIRoot& root) { return mPlugin.Quarvix::CreateEditorFrame(root); };
        mEditor = std::make_unique<OffscreenEditor>(mPlugin);
        mEditor->SetDialogService(&mDialogs);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        for (Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (auto* main = dynamic_cast<QuarvixMainFrame*>(child))
                mMain = main;
        ASSERT_NE(mMain, nullptr);
        mPlot = Panel()->GetPlot();
        mEditor->Paint();
        mRecorder = std::make_unique<MessageLog>(&mPlugin, Config().GetMsgClass(kClass));
    }
    QuarvixSpecFrame* Panel() const { return mMain->GetAnalyzer(); }

    // The middle of an element of a panel, in the window.
    static Point Middle(SkinLayout::Panel panel, const SkinLayout::Element& e)
    {
        const Rect r = e.rect.Offset(0, SkinLayout::PanelRect(panel).top);
        return {r.left + r.Width() / 2, r.top + r.Height() / 2};
    }
    static Point Centre(SkinLayout::Panel panel, std::string_view name)
    {
        return Middle(panel, *SkinLayout::Find(panel, name));
    }
    void ClickControl(int id, int member = -1, bool shift = false)
    {
        const auto panel = SkinLayout::Panel::Analyzer;
        mEditor->Click(Middle(panel, *SkinLayout::FindControl(panel, id, member)), {.shift = shift});
    }
    int Control(std::int32_t id) { return Panel()->GetControl(id)->GetValue(); }
    // Whether the window, painted, shows image `index` of the named button
    // from its skin picture, pixel for pixel.
    ::testing::AssertionResult Shows(SkinLayout::Panel panel, std::string_view name, int index, bool blink = false)
    {
        mEditor->Paint();
        const SkinLayout::Element& e = *SkinLayout::Find(panel, name);
        const PixelBuffer& skin = *Skin::FindPicture(SkinLayout::PictureOf(panel));
        const Rect image = blink ? SkinLayout::BlinkImageRect(e, index) : SkinLayout::ImageRect(e, index);
        const Rect place = e.rect.Offset(0, SkinLayout::PanelRect(panel).top);
        for (std::int32_t y = 0; y < place.Height(); ++y)
            for (std::int32_t x = 0; x < place.Width(); ++x)
                if ((skin.At(image.left + x, image.top + y) & 0xffffff) !=
                    ToPixel(mEditor->GetPixel({place.left + x, place.top + y})))
                    return ::testing::AssertionFailure() << name << " differs from image " << index
                                                         << " at (" << x << ", " << y << ")";
        return ::testing::AssertionSuccess();
    }

    // Audio and ticks for `seconds` of a sine in both channels, painting after each refresh.
    void Play(double seconds, double hz, double amplitude)
    {
        const auto sine = [&](std::int64_t t)
        { return static_cast<float>(amplitude * std::sin(2 * kPi * hz * t / mRate)); };
        for (int i = 0; i < static_cast<int>(seconds * 20); ++i)
        {
            Feed(static_cast<std::int64_t>(mRate * 0.051), sine, sine);
            TimerTicks(3);
            mEditor->Paint();
        }
    }

    ScriptedDialogs mDialogs; // cancels every dialog
    QuarvixMainFrame* mMain = nullptr;
    std::unique_ptr<MessageLog> mRecorder; // the configuration's messages
};

struct ControlCase
{
    const char* name;
    std::int32_t id, member; // member: of a radio group; -1 otherwise
    std::int32_t view;       // the view shown when clicking
    std::function<void(Config&)> before;
    std::int32_t message;  // expected configuration message; 0: none
    std::function<bool(Config&)> after;
    bool shift = false;
};

#define SET(statement) [](Config& c) { statement; }
#define IS(condition) [](Config& c) { return condition; }

std::vector<ControlCase> ControlCases()
{
    const auto none = [](Config&) {};
    const auto any = [](Config&) { return true; };
    return {
        {"FreqZoom", 0, -1, 0, none, kFreqZoom, IS(c.GetFreqZoom())},
        {"PeakHoldOff", 1, -1, 0, none, kPeakHold, IS(!c.GetPeakHold())},
        {"PeakHoldTimeDown", 2, -1, 0, none, kPeakHoldTime, IS(c.GetPeakHoldTime() == 2.0f)},
        {"PeakHoldTimeUp", 3, -1, 0, none, kPeakHoldTime, IS(c.GetPeakHoldTime() == 4.0f)},
        {"PeakHoldTimeDownToInfinite", 2, -1, 0, SET(c.SetPeakHoldTime(0.0f)), kPeakHoldTime,
         IS(c.GetPeakHoldTime() == -1.0f)},
        {"PeakFallDown", 4, -1, 0, none, kPeakDecay, IS(c.GetPeakDecay() == 7.0f)},
        {"PeakFallUp", 5, -1, 0, none, kPeakDecay, IS(c.GetPeakDecay() == 15.0f)},
        {"LiveOff", 7, -1, 0, none, kInstantaneous, IS(!c.GetInstantaneous())},
        {"LiveDecayDown", 8, -1, 0, none, kInstantaneousDecayTime, IS(c.GetInstantaneousDecayTime() == 0.3f)},
        {"LiveDecayUp", 9, -1, 0, none, kInstantaneousDecayTime, IS(c.GetInstantaneousDecayTime() == 0.75f)},
        {"AverageOff", 10, -1, 0, none, kShowAverage, IS(!c.GetShowAverage())},
        {"AverageBarsToggled", 11, -1, 2, none, kShowAverage,
         IS(c.GetShowAverage() != Config::SpectrumViewOptions::ForView(2).mShowAverage)},
        {"AveragingDown", 12, -1, 0, none, kAveragingTime, IS(c.GetAveragingTime() == 1.0f)},
        {"AveragingUp", 13, -1, 0, none, kAveragingTime, IS(c.GetAveragingTime() == 3.0f)},
        {"GainUp", 14, -1, 1, none, kSpecGain, IS(c.GetSpecGain() == 1.0f)},
        {"GainDown", 15, -1, 1, SET(c.SetSpecGain(5.0f)), kSpecGain, IS(c.GetSpecGain() == 4.0f)},
        {"FloorUp", 16, -1, 1, none, kSpecFloor, IS(c.GetSpecFloor() == -99.0f)},
        {"FloorDown", 17, -1, 1, SET(c.SetSpecFloor(-50.0f)), kSpecFloor, IS(c.GetSpecFloor() == -51.0f)},
        {"FftSizeDoubled", 18, -1, 0, none, kFftSize, IS(c.GetFftSize() == 4096)},
        {"FftSizeStaysAt8192", 18, -1, 0, SET(c.SetFftSize(8192)), 0, IS(c.GetFftSize() == 8192)},
        {"FftSizeHalved", 19, -1, 0, none, kFftSize, IS(c.GetFftSize() == 1024)},
        {"FftSizeStaysAt512", 19, -1, 0, SET(c.SetFftSize(512)), 0, IS(c.GetFftSize() == 512)},
        {"WindowUp", 20, -1, 0, none, kWinType, IS(c.GetWinType() == 2)},
        {"WindowUpWraps", 20, -1, 0, SET(c.SetWinType(3)), kWinType, IS(c.GetWinType() == 0)},
        {"WindowDownWraps", 21, -1, 0, SET(c.SetWinType(0)), kWinType, IS(c.GetWinType() == 3)},
        {"WeightingA", 22, 1, 0, none, kSpecWeighting, IS(c.GetSpecWeighting() == 1)},
        {"WeightingC", 22, 3, 2, none, kSpecWeighting, IS(c.GetSpecWeighting() == 3)},
        {"Memory1Shown", 23, -1, 0, none, kMemSlotVisible, IS(c.GetMemSlotVisible(0))},
        {"Memory3Shown", 25, -1, 2, none, kMemSlotVisible, IS(c.GetMemSlotVisible(2))},
        {"Memory2ShiftClickClears", 24, -1, 0,
         [](Config& c)
         {
             Config::MemSlotData data;
             data.mBands = 4;
             data.mChannels = {std::vector<float>(4, -20.0f)};
             c.SetMemSlotData(1, data);
         },
         kMemSlotData, IS(!c.GetMemSlotData(1).HasData() && !c.GetMemSlotVisible(1)), true},
        {"CaptureLive", 29, -1, 0, none, kRequestInstantStore, any},
        {"CapturePeak", 30, -1, 0, none, kRequestPeakHoldStore, any},
        {"CaptureAverage", 31, -1, 0, none, kRequestAverageStore, any},
        {"CaptureLiveIntoNext", 26, -1, 0, none, 0, IS(c.GetInstantSaveLocation().GetValue() == 1)},
        {"CapturePeakIntoNext", 27, -1, 0, none, 0, IS(c.GetPeakHoldSaveLocation().GetValue() == 1)},
        {"CaptureAverageIntoNext", 28, -1, 0, none, 0, IS(c.GetAverageSaveLocation().GetValue() == 1)},
        {"LinearScale", 38, -1, 0, none, kLogScale, IS(!c.GetLogScale())},
        {"Range60", 39, 0, 0, none, kAmpScale, IS(c.GetAmpScale() == 0)},
        {"Range140InBars", 39, 2, 2, none, kAmpScale, IS(c.GetAmpScale() == 2)},
        {"ResetColours", 43, -1, 0, SET(c.SetColor(0, 0, {1, 2, 3})), kColor,
         IS(!(c.GetColor(0, 0) == CVLCanvas::ColorSpec{1, 2, 3}))},
        {"FreqLabelsOff", 44, -1, 0, none, kDisplaySwitch, IS(c.GetDisplaySwitch(0) == 0)},
        {"LevelLabelsOff", 45, -1, 0, none, kDisplaySwitch, IS(c.GetDisplaySwitch(1) == 0)},
        {"GridOff", 46, -1, 0, none, kDisplaySwitch, IS(c.GetDisplaySwitch(2) == 0)},
        {"ReadoutsOff", 47, -1, 0, none, kDisplaySwitch, IS(c.GetDisplaySwitch(3) == 0)},
        {"ChannelLeft", 49, 0, 0, none, kAnalysisChannel, IS(c.GetAnalysisChannel() == 0)},
        {"ChannelBoth", 49, 2, 2, none, kAnalysisChannel, IS(c.GetAnalysisChannel() == 2)},
        {"BarsPeak", 50, 1, 2, none, kThirdOctBarView, IS(c.GetThirdOctBarView() == 1)},
        {"BarsAverage", 50, 2, 2, none, kThirdOctBarView, IS(c.GetThirdOctBarView() == 2)},
        {"ViewNext", 51, -1, 0, none, kSpectrumView, IS(c.GetSpectrumView() == 1)},
        {"ViewWrapsToFft", 51, -1, 2, none, kSpectrumView, IS(c.GetSpectrumView() == 0)},
    };
}
#undef SET
#undef IS
class AnalyzerControls : public EditorFixture, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(AnalyzerControls, AClickGivesItsConfigurationMessageAndValue)
{
    const ControlCase& c = GetParam();
    Config().SetSpectrumView(c.view);
    OpenEditor();
    c.before(Config());
    mRecorder->Take();
    ClickControl(c.id, c.member, c.shift);
    const auto heard = mRecorder->Take();
    EXPECT_TRUE(c.message != 0 ? std::any_of(heard.begin(), heard.end(), [&](auto& m) { return m.what == c.message; })
                               : heard.empty())
        << c.name;
    EXPECT_TRUE(c.after(Config())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(EveryControl, AnalyzerControls, ::testing::ValuesIn(ControlCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Buttons placed from the layout table show the images it names for each state.
TEST_F(EditorFixture, ButtonsShowTheImagesTheTableNamesForEachState)
{
    OpenEditor();
    const SkinLayout::Panel a = SkinLayout::Panel::Analyzer, h = SkinLayout::Panel::Header;

    // A toggle, on: pressed (showing what a release gives), off, disabled.
    EXPECT_TRUE(Shows(a, "logScale", 1));
    mEditor->MouseDown(Centre(a, "logScale"));
    EXPECT_TRUE(Shows(a, "logScale", 2));
    mEditor->MouseUp(Centre(a, "logScale"));
    EXPECT_TRUE(Shows(a, "logScale", 0));
    Panel()->GetElementFrame("logScale")->SetMouseActive(false);
    EXPECT_TRUE(Shows(a, "logScale", 4));

    // Freeze, switched on, blinks into its second strip.
    mEditor->Click(Centre(a, "freeze"));
    EXPECT_TRUE(Shows(a, "freeze", 1));
    TimerTicks(BlinkingBooleanButton::kBlinkTicks + 1);
    EXPECT_TRUE(Shows(a, "freeze", 1, true));

    // A multi-state button steps through its states.
    mEditor->Click(Centre(a, "view"));
    EXPECT_TRUE(Shows(a, "view", 2));

    // An action button of the header lights while held.
    mEditor->MouseDown(Centre(h, "saveDefaults"));
    EXPECT_TRUE(Shows(h, "saveDefaults", 3));
    mEditor->MouseUp(Centre(h, "saveDefaults"));
    EXPECT_TRUE(Shows(h, "saveDefaults", 0));
}

// The controls without a configuration message: restart, freeze, the
// imports' and the export's dialogs, the lamps that only show.
TEST_F(EditorFixture, CommandControlsReachThePlotAndTheDialogs)
{
    OpenEditor();
    Play(0.5, 40 * mRate / 2048, 0.5); // on bin 40
    const auto& hold = mPlot->GetCurves(1).GetPeakHold();
    ASSERT_GT(hold[40], -20.0f);
    ClickControl(6); // restart the held peaks
    EXPECT_EQ(mPlot->GetCurves(1).GetPeakHold()[40], QVXSpecPlotCurves::kRestartedHoldDb);

    for (const bool frozen : {true, false})
    {
        ClickControl(32); // freeze
        EXPECT_EQ(mPlot->IsFrozen(), frozen);
    }

    for (std::int32_t id : {40, 41, 42, 48})
        ClickControl(id);
    ASSERT_EQ(mDialogs.asked.size(), 4u);
    EXPECT_EQ(std::tie(mDialogs.asked[0].save, mDialogs.asked[3].save, mDialogs.asked[3].defaultName),
              std::make_tuple(false, true, "QUARVIX Spectrum Export.txt"));

    // Lamps only show: a click changes neither them nor the configuration.
    mRecorder->Take();
    for (std::int32_t id : {33, 34, 35, 36, 37})
    {
        const int before = Control(id);
        ClickControl(id);
        EXPECT_EQ(Control(id), before) << id;
    }
    EXPECT_TRUE(mRecorder->Take().empty());
}

// Changes made elsewhere (a settings file, the host, code) show in the panel
// without sending anything back.
TEST_F(EditorFixture, ThePanelFollowsTheConfiguration)
{
    OpenEditor();
    Config().SetFftSize(8192);
    Config().SetWinType(3);
    Config().SetPeakHoldTime(-1.0f);
    Config().SetSpecGain(12.0f);
    Config().SetLogScale(false);
    Config().SetAnalysisChannel(Config::kChRight);
    Config().SetDisplaySwitch(2, false);
    using Texts = std::vector<std::string>;
    EXPECT_EQ((Texts{Panel()->GetValueText("fftSize"), Panel()->GetValueText("window"),
                     Panel()->GetValueText("peakHoldTime"), Panel()->GetValueText("specGain")}),
              (Texts{"8192", std::string(Config::WindowName(3)), "INF", "12 dB"}));
    EXPECT_EQ(std::make_tuple(Control(38), Control(49), Control(46)), std::make_tuple(0, Config::kChRight, 0));

    // Another view brings its own options and frames.
    Config().SetSpectrumView(Config::kAna3rdOct);
    EXPECT_EQ(std::make_pair(Control(51), Control(38)),
              std::make_pair(2, Config::SpectrumViewOptions::ForView(2).mLogScale ? 1 : 0));
    for (const auto& [name, shown] : {std::pair{"zoomStrip", false}, {"curveColors", false},
                                      {"curveColorsThirdOctave", true}, {"averageBars", true}, {"average", false}})
        EXPECT_EQ(Panel()->GetElementFrame(name)->IsVisible(), shown) << name;

    // What a memory slot holds shows on its lamp.
    Config::MemSlotData data;
    std::tie(data.mType, data.mView, data.mBands) = std::make_tuple(Config::kDtPeakHold, Config::kAna3rdOct, 31);
    data.mChannels = {std::vector<float>(31, -30.0f)};
    Config().SetMemSlotData(2, data);
    EXPECT_EQ(Control(36), 3);
}

// The band-level alarms end to end: the plot's bars and the band-level panel,
// the panel's controls driven by clicks and typing, tones through Process.
class BandLevelAlarm : public EditorFixture
{
protected:
    void OpenPanel(std::int32_t channelMode)
    {
        Config().SetSpectrumView(Config::kAna3rdOct);
        Config().SetAnalysisChannel(channelMode);
        OpenEditor();
        mEditor->SetTextEntryService(&mEntry);
        mPanel = dynamic_cast<QVXSpecBandLevelAlarmFrame*>(Panel()->GetElementFrame("bandLevelAlarm"));
        ASSERT_NE(mPanel, nullptr);
    }
    Manager& Alarms() { return mPlugin.GetAlarmManager(); }
    const Manager::AlarmRecord& Alarm(std::string_view name) { return *Alarms().GetAlarm(name); }
    std::pair<bool, bool> Armed() { return {Alarm(kL).mActive, Alarm(kR).mActive}; }
    // Whether the left and the master alarm are triggered.
    std::pair<bool, bool> Latched() { return {Alarm(kL).mTriggered, Alarm(Manager::kMasterAlarm).mTriggered}; }
    void Click(std::string_view name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            mEditor->Click(Centre(SkinLayout::Panel::Analyzer, name));
    }
    CVLCanvas::ColorSpec PlotPixel(int x, int y) const { return mEditor->GetPixel(mPlot->LocalToGlobal({x, y})); }
    // The pixel the value display shows at its top left corner for a severity.
    static std::uint32_t SeverityBackground(int severity)
    {
        using namespace SkinLayout;
        const Point at{kAlarmValueImage.x, kAlarmValueImage.y + kAlarmValueStep.y * severity};
        return Skin::FindPicture(PictureOf(SkinLayout::Panel::Header))->At(at.x, at.y) & 0xffffff;
    }

    EditorTest::ScriptedTextEntry mEntry;
    QVXSpecBandLevelAlarmFrame* mPanel = nullptr;
};

// A loud tone in a band inside the range latches the channel's alarm and the
// master alarm; the value display shows the latched level on the background
// of the alarm's severity, the bars mark the band, and a click clears it all.
// The same tone outside the range sets nothing off.
TEST_F(BandLevelAlarm, ToneInsideTheBandRangeLatchesItsAlarmAndTheMasterAlarm)
{
    OpenPanel(Config::kChLeft);
    EXPECT_EQ(Armed(), std::make_pair(true, false));

    // Severity 2 and the threshold typed, for both channels.
    Click("alarmSeverity", 2);
    Click("threshold");
    ASSERT_NE(mEntry.pending, nullptr);
    mEntry.pending->Accept("-30,5");
    for (const auto name : {kL, kR})
        EXPECT_EQ(std::make_pair(Alarm(name).mSeverity, Alarm(name).mDescriptor.mThreshold), std::make_pair(2, -30.5f));

    // The range 1k ... 2k (ISO 30 ... 33): the lower end up 17 bands, the upper end down 10.
    Click("lowerBandUp", 17);
    Click("upperBandDown", 10);
    EXPECT_EQ(Config().GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{30, 33}));
    EXPECT_EQ(mPanel->GetLowerBandSelector()->GetText() + " " + mPanel->GetUpperBandSelector()->GetText(), "1k 2k");

    // 250 Hz, far outside, stays quiet however loud.
    Play(2.0, 250.0, 0.9);
    EXPECT_EQ(Latched(), std::make_pair(false, false));

    // 1.6 kHz at about -16.5 dB peak: above -30.5.
    Play(2.0, 1600.0, 0.15);
    const Manager::AlarmRecord& left = Alarm(kL);
    ASSERT_EQ(Latched(), std::make_pair(true, true));
    // The latched peak includes the band filter's overshoot as the tone starts.
    EXPECT_NEAR(left.mValue, 20 * std::log10(0.15), 1.0);
    QVXAlarmedValueDispFrame& display = *mPanel->GetValueDisplay(0);
    EXPECT_EQ(display.GetText(), QVXSpecDbConvertor().Convert(left.mValue));
    const Point corner = display.LocalToGlobal({0, 0});
    EXPECT_EQ(ToPixel(mEditor->GetPixel(corner)), SeverityBackground(2));

    // The band in alarm (1.6k, band 19) is marked in the readout colour.
    const CVLCanvas::ColorSpec mark = Shown(Config().GetColor(2, QVXSpecPlotFrame::clrReadout));
    const int bandLeft = (501 - 16 * 31 + 6) / 2 + 19 * 16; // bars 16 pixels apart
    const int thresholdY = ExpectedY(-30.5, 1.8);
    EXPECT_EQ(PlotPixel(bandLeft + 5, thresholdY), mark);
    EXPECT_EQ(PlotPixel(bandLeft - 2, thresholdY + 7), mark); // a dash down the side

    // A click on the display clears the alarm and with it the master alarm.
    mEditor->Click({corner.x + 5, corner.y + 5});
    EXPECT_EQ(Latched(), std::make_pair(false, false));
    TimerTicks(3);
    mEditor->Paint();
    EXPECT_EQ(ToPixel(mEditor->GetPixel(corner)), SeverityBackground(0));
    EXPECT_NE(PlotPixel(bandLeft - 2, thresholdY + 7), mark);
}

// Arming follows the view and the channel mode; the master alarm lamp
// acknowledges; a range change resets both alarms and a changed alarm state
// starts the band peaks again.
TEST_F(BandLevelAlarm, ArmingFollowsViewAndChannelsLampAcknowledgesAndRangeChangesReset)
{
    OpenPanel(Config::kChBoth);
    EXPECT_EQ(Armed(), std::make_pair(true, true));
    // The master alarm lamp lights with the alarms it watches; a click on it
    // acknowledges them all.
    auto* lamp = dynamic_cast<QVXMasterAlarmIndicator*>(Panel()->GetElementFrame("masterAlarm"));
    ASSERT_NE(lamp, nullptr);
    Alarms().SetSeverity(kL, 3);
    Alarms().PostValue(kL, -5.0f);
    EXPECT_EQ(std::make_pair(Latched(), lamp->GetValue()), std::make_pair(std::make_pair(true, true), 3));
    ClickControl(33);
    EXPECT_EQ(std::make_pair(Latched(), lamp->GetValue()), std::make_pair(std::make_pair(false, false), 0));

    Config().SetAnalysisChannel(Config::kChRight);
    EXPECT_EQ(Armed(), std::make_pair(false, true));
    Config().SetAnalysisChannel(Config::kChSum); // measured in the left channel's meters
    EXPECT_EQ(Armed(), std::make_pair(true, false));

    Alarms().SetThreshold(kL, -40.0f);
    Play(1.0, 1000.0, 0.5);
    ASSERT_TRUE(Alarm(kL).mTriggered);
    Click("upperBandDown");
    EXPECT_FALSE(Alarm(kL).mTriggered);
    std::vector<std::int32_t> bands;
    std::vector<float> peaks;
    mPlugin.Get3rdOctService().GetBandLevelPeaks(bands, peaks);
    EXPECT_EQ(peaks[0], 0.0f);

    Config().SetSpectrumView(Config::kAnaFFT);
    EXPECT_EQ(Armed(), std::make_pair(false, false));
    EXPECT_EQ(mPanel->GetLowerBandSelector()->GetText(), "-");
    // Outside the bar view the band buttons change nothing.
    Click("lowerBandUp");
    Config().SetSpectrumView(Config::kAna3rdOct);
    EXPECT_EQ(Config().GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{13, 42}));
    EXPECT_EQ(mPanel->GetUpperBandSelector()->GetText(), "16k");
}

// The whole editor as reviewed, mono and stereo, in each view, after a few
// seconds of a known signal: a chord over soft noise, different left and
// right, then a sweep on the left.
struct EditorPicture
{
    std::int32_t channels, view;
};

class EditorSnapshot : public EditorFixture, public ::testing::WithParamInterface<EditorPicture>
{
protected:
    EditorSnapshot() : EditorFixture(GetParam().channels) {}

    std::function<float(std::int64_t)> Signal(std::vector<std::pair<double, double>> tones,
                                              unsigned seed, bool sweep)
    {
        auto noise = std::make_shared<std::minstd_rand>(seed);
        auto brown = std::make_shared<double>(0.0);
        const double rate = mRate;
        return [=](std::int64_t t)
        {
            const double s = static_cast<double>(t) / rate;
            double v = 0.0;
            for (const auto& [hz, amplitude] : tones)
                v += amplitude * std::sin(2.0 * kPi * hz * s);
            if (sweep && s > 2.0) // 200 Hz rising an octave a second
                v += 0.2 * std::sin(2.0 * kPi * 200.0 * (std::pow(2.0, s - 2.0) - 1.0) / std::log(2.0));
            *brown = 0.995 * *brown + 0.01 * (static_cast<double>((*noise)()) / noise->max() - 0.5);
            return static_cast<float>(v + *brown);
        };
    }
};

TEST_P(EditorSnapshot, MatchesTheReviewedPicture)
{
    const EditorPicture p = GetParam();
    Config().SetSpectrumView(p.view);
    if (p.channels == 2)
        Config().SetAnalysisChannel(Config::kChBoth);
    OpenEditor();
    const auto left = Signal({{110.0, 0.25}, {440.0, 0.12}, {1760.0, 0.05}, {7040.0, 0.02}}, 3, true);
    const auto right = Signal({{165.0, 0.2}, {660.0, 0.1}, {2640.0, 0.04}}, 7, false);
    for (int i = 0; i < 80; ++i)
    {
        Feed(static_cast<std::int64_t>(mRate * 0.051), left, right);
        TimerTicks(3);
        mEditor->Paint();
    }
    const char* const views[] = {"fft", "spectrogram", "bars"};
    const SkinLayout::Size size = SkinLayout::EditorSize(p.channels == 2);
    EXPECT_TRUE(SnapshotTest::MatchesReference(
        *mEditor, {0, 0, size.width, size.height},
        std::string("editor-") + (p.channels == 2 ? "stereo-" : "mono-") + views[p.view]));

    // A mono instance offers only its one channel, and exports it as left.
    if (p.channels == 1)
    {
        ClickControl(49, Config::kChBoth);
        EXPECT_EQ(std::make_pair(Config().GetAnalysisChannel(), Control(49)),
                  std::make_pair(Config::kChLeft, Config::kChLeft));
        Config().SetSpectrumView(Config::kAnaFFT);
        Config().SetAnalysisChannel(Config::kChSum);
        std::ostringstream text;
        mPlot->ExportText(text);
        EXPECT_NE(text.str().find("\nFreq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)\n"), std::string::npos);
    }
}

std::string EditorPictureName(const ::testing::TestParamInfo<EditorPicture>& info)
{
    const char* const views[] = {"Fft", "Spectrogram", "Bars"};
    return std::string(info.param.channels == 2 ? "Stereo" : "Mono") + views[info.param.view];
}

INSTANTIATE_TEST_SUITE_P(Views, EditorSnapshot,
                         ::testing::Values(EditorPicture{1, 0}, EditorPicture{1, 1}, EditorPicture{1, 2},
                                           EditorPicture{2, 0}, EditorPicture{2, 1}, EditorPicture{2, 2}),
                         EditorPictureName);

} // namespace
