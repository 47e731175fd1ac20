// The band-level alarms end to end: the plot's bars and the band-level panel
// over the real plug-in, the panel's controls driven by clicks and typing at
// the places the layout table gives, tones through Process.

#include "SpecPlotTestSupport.h"
#include "gui/EditorTestSupport.h"

#include "analysis/QVXSpecDbConvertor.h"
#include "editor/QVXAlarmFrames.h"
#include "editor/QVXSpecBandLevelAlarmFrame.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/OGWorld.h"
#include "model/QVXAlarmManager.h"
#include "skin/SkinPictures.h"

namespace
{
using namespace SpecPlotTest;
using Manager = QVXAlarmManager;
using Plot = QVXSpecPlotFrame;

Point Centre(std::string_view name)
{
    const Rect r = SkinLayout::Find(SkinLayout::Panel::Analyzer, name)->rect;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class BandLevelAlarmTest : public PlotFixture
{
protected:
    // The analyzer panel's picture as the page, the plot and the band-level
    // panel where the panel puts them (window = skin coordinates).
    void OpenPanel(std::int32_t channelMode)
    {
        Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
        Config().SetAnalysisChannel(channelMode);
        Alarms().RegisterAlarm(Manager::kMasterAlarm, Manager::MasterAlarmDescriptor());
        mPlugin.build = [this](PluginUIRoot& root)
        {
            auto* page = new PixMapDrawFrame(root.GetMasterFrame(), 0, 0, SkinLayout::kEditorWidth,
                                             SkinLayout::kAnalyzerHeight, 0, 0, mAnalyzer.get(), 0, 0);
            const Rect p = SkinLayout::kPlot;
            mPlot = new Plot(page, p.left, p.top, p.right - p.left, p.bottom - p.top, 0, 0);
            mPanel = new QVXSpecBandLevelAlarmFrame(page, mAnalyzer.get(), mHeader.get());
            return page;
        };
        mEditor = std::make_unique<OffscreenEditor>(mPlugin, SkinLayout::kEditorWidth,
                                                    SkinLayout::kAnalyzerHeight);
        mEditor->SetTextEntryService(&mEntry);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        mEditor->Paint();
    }

    Manager& Alarms() { return mPlugin.GetAlarmManager(); }
    const Manager::AlarmRecord& Alarm(std::string_view name) { return *Alarms().GetAlarm(name); }

    // Audio and ticks for `seconds`, painting after each refresh.
    void Play(double seconds, const std::function<float(std::int64_t)>& tone)
    {
        for (int i = 0; i < static_cast<int>(seconds * 20); ++i)
        {
            Feed(static_cast<std::int64_t>(mRate * 0.051), tone, tone);
            TimerTicks(3);
            mEditor->Paint();
        }
    }
    std::function<float(std::int64_t)> Sine(double hz, double amplitude)
    {
        return [=, this](std::int64_t t)
        { return static_cast<float>(amplitude * std::sin(2 * kPi * hz * t / mRate)); };
    }
    void Type(std::string_view text)
    {
        mEditor->Click(Centre("threshold"));
        ASSERT_NE(mEntry.pending, nullptr);
        std::exchange(mEntry.pending, nullptr)->Accept(std::string(text));
    }
    // The pixel the value display shows at its top left corner for a severity.
    CVLCanvas::ColorSpec SeverityBackground(int severity)
    {
        const Point source{SkinLayout::kAlarmValueImage.x,
                           SkinLayout::kAlarmValueImage.y + SkinLayout::kAlarmValueStep.y * severity};
        const std::uint32_t p = mHeader->GetPixels().At(source.x, source.y);
        return {static_cast<std::uint16_t>(p >> 16), static_cast<std::uint16_t>((p >> 8) & 0xFF),
                static_cast<std::uint16_t>(p & 0xFF)};
    }

    std::unique_ptr<OGWorld> mAnalyzer = Skin::MakeWorld(SkinLayout::PictureOf(SkinLayout::Panel::Analyzer));
    std::unique_ptr<OGWorld> mHeader = Skin::MakeWorld(SkinLayout::PictureOf(SkinLayout::Panel::Header));
    EditorTest::ScriptedTextEntry mEntry;
    QVXSpecBandLevelAlarmFrame* mPanel = nullptr;
};

// A loud tone in a band inside the range latches the channel's alarm and the
// master alarm; the value display shows the latched level on the background
// of the alarm's severity, the bars mark the band, and a click clears it all.
// The same tone outside the range sets nothing off.
TEST_F(BandLevelAlarmTest, ToneInsideTheBandRangeLatchesItsAlarmAndTheMasterAlarm)
{
    OpenPanel(QVXSpecConfig::kChLeft);
    EXPECT_TRUE(Alarm(Manager::kBandLevelAlarmL).mActive);
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmR).mActive);

    // Severity 2 for both channels, by clicking the severity button twice.
    mEditor->Click(Centre("alarmSeverity"));
    mEditor->Click(Centre("alarmSeverity"));
    EXPECT_EQ(Alarm(Manager::kBandLevelAlarmL).mSeverity, 2);
    EXPECT_EQ(Alarm(Manager::kBandLevelAlarmR).mSeverity, 2);

    // Threshold: out of range clamps, garbage changes nothing.
    Type("-150");
    EXPECT_EQ(Alarm(Manager::kBandLevelAlarmL).mDescriptor.mThreshold, -90.0f);
    Type("-30,5");
    EXPECT_EQ(Alarm(Manager::kBandLevelAlarmR).mDescriptor.mThreshold, -30.5f);
    Type("loud");
    EXPECT_EQ(Alarm(Manager::kBandLevelAlarmL).mDescriptor.mThreshold, -30.5f);

    // The range 1k ... 2k (ISO 30 ... 33): the lower end up 17 bands, the
    // upper end down 10.
    for (int i = 0; i < 17; ++i)
        mEditor->Click(Centre("lowerBandUp"));
    for (int i = 0; i < 10; ++i)
        mEditor->Click(Centre("upperBandDown"));
    EXPECT_EQ(Config().GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{30, 33}));
    EXPECT_EQ(mPanel->GetLowerBandSelector()->GetText(), "1k");
    EXPECT_EQ(mPanel->GetUpperBandSelector()->GetText(), "2k");

    // 250 Hz, far outside, stays quiet however loud.
    Play(2.0, Sine(250.0, 0.9));
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmL).mTriggered);
    EXPECT_FALSE(Alarm(Manager::kMasterAlarm).mTriggered);

    // 1.6 kHz at about -16.5 dB peak: above -30.5.
    Play(2.0, Sine(1600.0, 0.15));
    const Manager::AlarmRecord& left = Alarm(Manager::kBandLevelAlarmL);
    ASSERT_TRUE(left.mTriggered);
    // The latched peak includes the band filter's overshoot as the tone starts.
    EXPECT_NEAR(left.mValue, 20 * std::log10(0.15), 1.0);
    EXPECT_TRUE(Alarm(Manager::kMasterAlarm).mTriggered);
    QVXAlarmedValueDispFrame& display = *mPanel->GetValueDisplay(0);
    EXPECT_EQ(display.GetText(), QVXSpecDbConvertor().Convert(left.mValue));
    const Point corner = display.LocalToGlobal({0, 0});
    EXPECT_EQ(mEditor->GetPixel(corner), SeverityBackground(2));

    // The band in alarm (1.6k, band 19) is marked in the readout colour.
    const CVLCanvas::ColorSpec mark =
        Shown(Config().GetColor(2, Plot::clrReadout));
    const int pitch = 16;
    const int bandLeft = (501 - pitch * 31 + 6) / 2 + 19 * pitch;
    const int thresholdY = ExpectedY(-30.5, 1.8);
    EXPECT_EQ(Pixel(bandLeft + 5, thresholdY), mark);
    EXPECT_EQ(Pixel(bandLeft - 2, thresholdY + 7), mark); // a dash down the side

    // A click on the display clears the alarm and with it the master alarm.
    mEditor->Click({corner.x + 5, corner.y + 5});
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmL).mTriggered);
    EXPECT_FALSE(Alarm(Manager::kMasterAlarm).mTriggered);
    TimerTicks(3);
    mEditor->Paint();
    EXPECT_EQ(mEditor->GetPixel(corner), SeverityBackground(0));
    EXPECT_NE(Pixel(bandLeft - 2, thresholdY + 7), mark);
}

// Arming follows the view and the channel mode; 'brng' resets both alarms
// and a changed alarm state starts the band peaks again.
TEST_F(BandLevelAlarmTest, ArmingFollowsViewAndChannelsAndRangeChangesReset)
{
    OpenPanel(QVXSpecConfig::kChBoth);
    EXPECT_TRUE(Alarm(Manager::kBandLevelAlarmL).mActive);
    EXPECT_TRUE(Alarm(Manager::kBandLevelAlarmR).mActive);
    Config().SetAnalysisChannel(QVXSpecConfig::kChRight);
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmL).mActive);
    EXPECT_TRUE(Alarm(Manager::kBandLevelAlarmR).mActive);
    Config().SetAnalysisChannel(QVXSpecConfig::kChSum);
    EXPECT_TRUE(Alarm(Manager::kBandLevelAlarmL).mActive);
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmR).mActive);

    Alarms().SetThreshold(Manager::kBandLevelAlarmL, -40.0f);
    Play(1.0, Sine(1000.0, 0.5));
    ASSERT_TRUE(Alarm(Manager::kBandLevelAlarmL).mTriggered);
    // The range changes: the alarm is reset, and the peaks start again.
    mEditor->Click(Centre("upperBandDown"));
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmL).mTriggered);
    std::vector<std::int32_t> bands;
    std::vector<float> peaks;
    mPlugin.Get3rdOctService().GetBandLevelPeaks(bands, peaks);
    EXPECT_EQ(peaks[0], 0.0f);

    Config().SetSpectrumView(QVXSpecConfig::kAnaFFT);
    EXPECT_FALSE(Alarm(Manager::kBandLevelAlarmL).mActive);
    EXPECT_EQ(mPanel->GetLowerBandSelector()->GetText(), "-");
    // Outside the bar view the band buttons change nothing.
    mEditor->Click(Centre("lowerBandUp"));
    Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    EXPECT_EQ(Config().GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{13, 42}));
    EXPECT_EQ(mPanel->GetUpperBandSelector()->GetText(), "16k");
}

} // namespace
