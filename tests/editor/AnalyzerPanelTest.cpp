// The complete editor over the real plug-in: every analyzer control clicked
// where the layout table puts it, the configuration message and value each
// click gives, the panel following changes made elsewhere, and pictures of
// the whole editor in each view.

#include "ScriptedDialogs.h"
#include "SnapshotCompare.h"
#include "SpecPlotTestSupport.h"

#include "core/MessageSubscriber.h"
#include "editor/QVXSpecPlotCurves.h"
#include "editor/QuarvixMainFrame.h"
#include "editor/QuarvixSpecFrame.h"
#include "editor/SkinLayout.h"
#include "model/QVXAlarmManager.h"

#include <random>

namespace
{
using namespace SpecPlotTest;
using namespace QVXSpecConfigMessages;
using SkinLayout::Panel;
using Config = QVXSpecConfig;

// Every message of the configuration's class, as (code, p1).
class Recorder : public MessageSubscriber<Recorder>
{
public:
    Recorder(PluginServices* services, MessagingServer::MsgClass* msgClass)
        : MessageSubscriber<Recorder>(services)
    {
        Subscribe(msgClass, 1, &Recorder::On);
    }
    void On(std::int32_t what) { heard.emplace_back(what, static_cast<int>(GetCurrentP1())); }
    bool Heard(std::int32_t what) const
    {
        for (const auto& [code, p1] : heard)
            if (code == what)
                return true;
        return false;
    }
    std::vector<std::pair<std::int32_t, int>> heard;
};


class EditorFixture : public PlotFixture
{
protected:
    explicit EditorFixture(std::int32_t channels = 2) : PlotFixture(channels)
    {
        InstallQuarvixEditor();
    }

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
        mRecorder = std::make_unique<Recorder>(&mPlugin, Config().GetMsgClass(kClass));
    }
    QuarvixSpecFrame* Panel() const { return mMain->GetAnalyzer(); }

    // The middle of a control of the analyzer panel, in the window.
    static Point At(std::int32_t id, std::int32_t member = -1)
    {
        const SkinLayout::Element* e =
            SkinLayout::FindControl(SkinLayout::Panel::Analyzer, id, member);
        EXPECT_NE(e, nullptr) << id;
        const std::int32_t top = SkinLayout::PanelRect(SkinLayout::Panel::Analyzer).top;
        return {(e->rect.left + e->rect.right) / 2, top + (e->rect.top + e->rect.bottom) / 2};
    }
    void ClickControl(std::int32_t id, std::int32_t member = -1, bool shift = false)
    {
        WindowContext::Modifiers modifiers;
        modifiers.shift = shift;
        mEditor->Click(At(id, member), modifiers);
    }
    int Control(std::int32_t id) { return Panel()->GetControl(id)->GetValue(); }

    ScriptedDialogs mDialogs; // cancels every dialog
    QuarvixMainFrame* mMain = nullptr;
    std::unique_ptr<Recorder> mRecorder;
};

// ---------------------------------------------------------------- clicks to model

struct ControlCase
{
    const char* name;
    std::int32_t id;
    std::int32_t member;   // radio members; -1 otherwise
    std::int32_t view;     // the view shown when clicking
    std::function<void(Config&)> before;
    std::int32_t message;  // expected configuration message; 0: none
    std::function<bool(Config&)> after;
    bool shift = false;
};

std::vector<ControlCase> ControlCases()
{
    const auto none = [](Config&) {};
    return {
        {"FreqZoom", 0, -1, 0, none, kFreqZoom, [](Config& c) { return c.GetFreqZoom(); }},
        {"PeakHoldOff", 1, -1, 0, none, kPeakHold, [](Config& c) { return !c.GetPeakHold(); }},
        {"PeakHoldTimeDown", 2, -1, 0, none, kPeakHoldTime, [](Config& c) { return c.GetPeakHoldTime() == 2.0f; }},
        {"PeakHoldTimeUp", 3, -1, 0, none, kPeakHoldTime, [](Config& c) { return c.GetPeakHoldTime() == 4.0f; }},
        {"PeakHoldTimeDownToInfinite", 2, -1, 0, [](Config& c) { c.SetPeakHoldTime(0.0f); }, kPeakHoldTime,
         [](Config& c) { return c.GetPeakHoldTime() == -1.0f; }},
        {"PeakFallDown", 4, -1, 0, none, kPeakDecay, [](Config& c) { return c.GetPeakDecay() == 7.0f; }},
        {"PeakFallUp", 5, -1, 0, none, kPeakDecay, [](Config& c) { return c.GetPeakDecay() == 15.0f; }},
        {"LiveOff", 7, -1, 0, none, kInstantaneous, [](Config& c) { return !c.GetInstantaneous(); }},
        {"LiveDecayDown", 8, -1, 0, none, kInstantaneousDecayTime,
         [](Config& c) { return c.GetInstantaneousDecayTime() == 0.3f; }},
        {"LiveDecayUp", 9, -1, 0, none, kInstantaneousDecayTime,
         [](Config& c) { return c.GetInstantaneousDecayTime() == 0.75f; }},
        {"AverageOff", 10, -1, 0, none, kShowAverage, [](Config& c) { return !c.GetShowAverage(); }},
        {"AverageBarsToggled", 11, -1, 2, none, kShowAverage,
         [](Config& c) { return c.GetShowAverage() != Config::SpectrumViewOptions::ForView(2).mShowAverage; }},
        {"AveragingDown", 12, -1, 0, none, kAveragingTime, [](Config& c) { return c.GetAveragingTime() == 1.0f; }},
        {"AveragingUp", 13, -1, 0, none, kAveragingTime, [](Config& c) { return c.GetAveragingTime() == 3.0f; }},
        {"GainUp", 14, -1, 1, none, kSpecGain, [](Config& c) { return c.GetSpecGain() == 1.0f; }},
        {"GainDown", 15, -1, 1, [](Config& c) { c.SetSpecGain(5.0f); }, kSpecGain,
         [](Config& c) { return c.GetSpecGain() == 4.0f; }},
        {"FloorUp", 16, -1, 1, none, kSpecFloor, [](Config& c) { return c.GetSpecFloor() == -99.0f; }},
        {"FloorDown", 17, -1, 1, [](Config& c) { c.SetSpecFloor(-50.0f); }, kSpecFloor,
         [](Config& c) { return c.GetSpecFloor() == -51.0f; }},
        {"FftSizeDoubled", 18, -1, 0, none, kFftSize, [](Config& c) { return c.GetFftSize() == 4096; }},
        {"FftSizeStaysAt8192", 18, -1, 0, [](Config& c) { c.SetFftSize(8192); }, 0,
         [](Config& c) { return c.GetFftSize() == 8192; }},
        {"FftSizeHalved", 19, -1, 0, none, kFftSize, [](Config& c) { return c.GetFftSize() == 1024; }},
        {"FftSizeStaysAt512", 19, -1, 0, [](Config& c) { c.SetFftSize(512); }, 0,
         [](Config& c) { return c.GetFftSize() == 512; }},
        {"WindowUp", 20, -1, 0, none, kWinType, [](Config& c) { return c.GetWinType() == 2; }},
        {"WindowUpWraps", 20, -1, 0, [](Config& c) { c.SetWinType(3); }, kWinType,
         [](Config& c) { return c.GetWinType() == 0; }},
        {"WindowDownWraps", 21, -1, 0, [](Config& c) { c.SetWinType(0); }, kWinType,
         [](Config& c) { return c.GetWinType() == 3; }},
        {"WeightingA", 22, 1, 0, none, kSpecWeighting, [](Config& c) { return c.GetSpecWeighting() == 1; }},
        {"WeightingC", 22, 3, 2, none, kSpecWeighting, [](Config& c) { return c.GetSpecWeighting() == 3; }},
        {"Memory1Shown", 23, -1, 0, none, kMemSlotVisible, [](Config& c) { return c.GetMemSlotVisible(0); }},
        {"Memory3Shown", 25, -1, 2, none, kMemSlotVisible, [](Config& c) { return c.GetMemSlotVisible(2); }},
        {"Memory2ShiftClickClears", 24, -1, 0,
         [](Config& c)
         {
             Config::MemSlotData data;
             data.mBands = 4;
             data.mChannels = {std::vector<float>(4, -20.0f)};
             c.SetMemSlotData(1, data);
         },
         kMemSlotData, [](Config& c) { return !c.GetMemSlotData(1).HasData() && !c.GetMemSlotVisible(1); },
         true},
        {"CaptureLive", 29, -1, 0, none, kRequestInstantStore, [](Config&) { return true; }},
        {"CapturePeak", 30, -1, 0, none, kRequestPeakHoldStore, [](Config&) { return true; }},
        {"CaptureAverage", 31, -1, 0, none, kRequestAverageStore, [](Config&) { return true; }},
        {"CaptureLiveIntoNext", 26, -1, 0, none, 0,
         [](Config& c) { return c.GetInstantSaveLocation().GetValue() == 1; }},
        {"CapturePeakIntoNext", 27, -1, 0, none, 0,
         [](Config& c) { return c.GetPeakHoldSaveLocation().GetValue() == 1; }},
        {"CaptureAverageIntoNext", 28, -1, 0, none, 0,
         [](Config& c) { return c.GetAverageSaveLocation().GetValue() == 1; }},
        {"LinearScale", 38, -1, 0, none, kLogScale, [](Config& c) { return !c.GetLogScale(); }},
        {"Range60", 39, 0, 0, none, kAmpScale, [](Config& c) { return c.GetAmpScale() == 0; }},
        {"Range140InBars", 39, 2, 2, none, kAmpScale, [](Config& c) { return c.GetAmpScale() == 2; }},
        {"ResetColours", 43, -1, 0, [](Config& c) { c.SetColor(0, 0, {1, 2, 3}); }, kColor,
         [](Config& c) { return !(c.GetColor(0, 0) == CVLCanvas::ColorSpec{1, 2, 3}); }},
        {"FreqLabelsOff", 44, -1, 0, none, kDisplaySwitch, [](Config& c) { return c.GetDisplaySwitch(0) == 0; }},
        {"LevelLabelsOff", 45, -1, 0, none, kDisplaySwitch, [](Config& c) { return c.GetDisplaySwitch(1) == 0; }},
        {"GridOff", 46, -1, 0, none, kDisplaySwitch, [](Config& c) { return c.GetDisplaySwitch(2) == 0; }},
        {"ReadoutsOff", 47, -1, 0, none, kDisplaySwitch, [](Config& c) { return c.GetDisplaySwitch(3) == 0; }},
        {"ChannelLeft", 49, 0, 0, none, kAnalysisChannel, [](Config& c) { return c.GetAnalysisChannel() == 0; }},
        {"ChannelBoth", 49, 2, 2, none, kAnalysisChannel, [](Config& c) { return c.GetAnalysisChannel() == 2; }},
        {"BarsPeak", 50, 1, 2, none, kThirdOctBarView, [](Config& c) { return c.GetThirdOctBarView() == 1; }},
        {"BarsAverage", 50, 2, 2, none, kThirdOctBarView, [](Config& c) { return c.GetThirdOctBarView() == 2; }},
        {"ViewNext", 51, -1, 0, none, kSpectrumView, [](Config& c) { return c.GetSpectrumView() == 1; }},
        {"ViewWrapsToFft", 51, -1, 2, none, kSpectrumView, [](Config& c) { return c.GetSpectrumView() == 0; }},
    };
}

class AnalyzerControls : public EditorFixture, public ::testing::WithParamInterface<ControlCase>
{
};

TEST_P(AnalyzerControls, AClickGivesItsConfigurationMessageAndValue)
{
    const ControlCase& c = GetParam();
    Config().SetSpectrumView(c.view);
    OpenEditor();
    c.before(Config());
    mRecorder->heard.clear();
    ClickControl(c.id, c.member, c.shift);
    if (c.message != 0)
        EXPECT_TRUE(mRecorder->Heard(c.message)) << c.name;
    else
        EXPECT_TRUE(mRecorder->heard.empty()) << c.name;
    EXPECT_TRUE(c.after(Config())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(EveryControl, AnalyzerControls, ::testing::ValuesIn(ControlCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The controls without a configuration message: restart, freeze, the
// imports' and the export's dialogs, the lamps that only show.
TEST_F(EditorFixture, CommandControlsReachThePlotAndTheDialogs)
{
    OpenEditor();
    for (int i = 0; i < 10; ++i)
    {
        Feed(static_cast<std::int64_t>(mRate * 0.051), Tone(40, 2048, 0.5));
        TimerTicks(3);
    }
    const auto& hold = mPlot->GetCurves(1).GetPeakHold();
    ASSERT_GT(hold[40], -20.0f);
    ClickControl(6); // restart the held peaks
    EXPECT_EQ(mPlot->GetCurves(1).GetPeakHold()[40], QVXSpecPlotCurves::kRestartedHoldDb);

    ClickControl(32); // freeze
    EXPECT_TRUE(mPlot->IsFrozen());
    ClickControl(32);
    EXPECT_FALSE(mPlot->IsFrozen());

    for (std::int32_t id : {40, 41, 42, 48})
        ClickControl(id);
    ASSERT_EQ(mDialogs.asked.size(), 4u);
    EXPECT_FALSE(mDialogs.asked[0].save);
    EXPECT_TRUE(mDialogs.asked[3].save);
    EXPECT_EQ(mDialogs.asked[3].defaultName, "QUARVIX Spectrum Export.txt");

    // Lamps only show: a click changes neither them nor the configuration.
    mRecorder->heard.clear();
    for (std::int32_t id : {33, 34, 35, 36, 37})
    {
        const int before = Control(id);
        ClickControl(id);
        EXPECT_EQ(Control(id), before) << id;
    }
    EXPECT_TRUE(mRecorder->heard.empty());
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
    EXPECT_EQ(Panel()->GetValueText("fftSize"), "8192");
    EXPECT_EQ(Panel()->GetValueText("window"), std::string(Config::WindowName(3)));
    EXPECT_EQ(Panel()->GetValueText("peakHoldTime"), "INF");
    EXPECT_EQ(Panel()->GetValueText("specGain"), "12 dB");
    EXPECT_EQ(Control(38), 0);
    EXPECT_EQ(Control(49), Config::kChRight);
    EXPECT_EQ(Control(46), 0);

    // Another view brings its own options and frames.
    Config().SetSpectrumView(Config::kAna3rdOct);
    EXPECT_EQ(Control(51), 2);
    EXPECT_EQ(Control(38), Config::SpectrumViewOptions::ForView(2).mLogScale ? 1 : 0);
    EXPECT_FALSE(Panel()->GetElementFrame("zoomStrip")->IsVisible());
    EXPECT_FALSE(Panel()->GetElementFrame("curveColors")->IsVisible());
    EXPECT_TRUE(Panel()->GetElementFrame("curveColorsThirdOctave")->IsVisible());
    EXPECT_TRUE(Panel()->GetElementFrame("averageBars")->IsVisible());
    EXPECT_FALSE(Panel()->GetElementFrame("average")->IsVisible());

    // What a memory slot holds shows on its lamp.
    Config::MemSlotData data;
    data.mType = Config::kDtPeakHold;
    data.mView = Config::kAna3rdOct;
    data.mBands = 31;
    data.mChannels = {std::vector<float>(31, -30.0f)};
    Config().SetMemSlotData(2, data);
    EXPECT_EQ(Control(36), 3);
}

// The master alarm lamp lights with the alarms it watches and a click on it
// acknowledges them all.
TEST_F(EditorFixture, MasterAlarmLampFollowsAndAcknowledges)
{
    Config().SetSpectrumView(Config::kAna3rdOct);
    OpenEditor();
    QVXAlarmManager& alarms = mPlugin.GetAlarmManager();
    alarms.SetSeverity(QVXAlarmManager::kBandLevelAlarmL, 3);
    alarms.PostValue(QVXAlarmManager::kBandLevelAlarmL, -5.0f);
    ASSERT_TRUE(alarms.GetAlarm(QVXAlarmManager::kMasterAlarm)->mTriggered);
    auto* lamp = dynamic_cast<QVXMasterAlarmIndicator*>(Panel()->GetElementFrame("masterAlarm"));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->GetValue(), 3);
    ClickControl(33);
    EXPECT_FALSE(alarms.GetAlarm(QVXAlarmManager::kBandLevelAlarmL)->mTriggered);
    EXPECT_EQ(lamp->GetValue(), 0);
}

// The header's About button shows the plug-in's own about page, and a click
// anywhere brings the editor back.
TEST_F(EditorFixture, AboutPageFromTheHeaderAndBack)
{
    OpenEditor();
    const Rect about = SkinLayout::Find(SkinLayout::Panel::Header, "about")->rect;
    mEditor->Click({(about.left + about.right) / 2, (about.top + about.bottom) / 2});
    Frame* page = mEditor->GetCurrentPage();
    ASSERT_NE(page, nullptr);
    EXPECT_NE(page, mMain);
    EXPECT_FALSE(mMain->IsVisible());
    mEditor->Click({10, 10});
    EXPECT_EQ(mEditor->GetCurrentPage(), mMain);
}

// A mono instance offers only its one channel.
class MonoEditor : public EditorFixture
{
protected:
    MonoEditor() : EditorFixture(1) {}
};

TEST_F(MonoEditor, OnlyTheLeftChannelCanBeChosen)
{
    OpenEditor();
    ClickControl(49, Config::kChBoth);
    EXPECT_EQ(Config().GetAnalysisChannel(), Config::kChLeft);
    EXPECT_EQ(Control(49), Config::kChLeft);
}

// ---------------------------------------------------------------- pictures

// The whole editor as reviewed, mono and stereo, in each view, after a few
// seconds of a known signal: a chord over soft noise, different left and
// right, then a sweep on the left.
struct EditorPicture
{
    std::int32_t channels;
    std::int32_t view;
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
            if (sweep && s > 2.0)
            {
                // 200 Hz rising an octave a second.
                const double u = s - 2.0;
                v += 0.2 * std::sin(2.0 * kPi * 200.0 * (std::pow(2.0, u) - 1.0) / std::log(2.0));
            }
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
    static const char* views[] = {"fft", "spectrogram", "bars"};
    const SkinLayout::Size size = SkinLayout::EditorSize(p.channels == 2);
    EXPECT_TRUE(SnapshotTest::MatchesReference(
        *mEditor, {0, 0, size.width, size.height},
        std::string("editor-") + (p.channels == 2 ? "stereo-" : "mono-") + views[p.view]));
}

std::string EditorPictureName(const ::testing::TestParamInfo<EditorPicture>& info)
{
    static const char* views[] = {"Fft", "Spectrogram", "Bars"};
    return std::string(info.param.channels == 2 ? "Stereo" : "Mono") + views[info.param.view];
}

INSTANTIATE_TEST_SUITE_P(Views, EditorSnapshot,
                         ::testing::Values(EditorPicture{1, 0}, EditorPicture{1, 1}, EditorPicture{1, 2},
                                           EditorPicture{2, 0}, EditorPicture{2, 1}, EditorPicture{2, 2}),
                         EditorPictureName);

} // namespace
