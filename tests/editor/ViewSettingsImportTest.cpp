// The analyzer panel's imports from settings files and its colour reset,
// from files saved by a second instance that differs in everything.

#include "ScriptedDialogs.h"

#include "editor/QVXViewSettingsImport.h"
#include "editor/QuarvixMainFrame.h"
#include "gui/ErrorFrame.h"
#include "gui/OffscreenEditor.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "platform/Registry.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "serialization/XMLArchive.h"
#include "support/FakeClock.h"
#include "support/MessageLog.h"
#include "support/RecordingPlatform.h"
#include "support/SpecConfigState.h"
#include "support/TestFiles.h"

#include <cstdlib>
#include <optional>
#include <sstream>
#include <tuple>

namespace
{
namespace fs = std::filesystem;
using namespace SpecConfigState;
using Config = QVXSpecConfig;
using Report = std::tuple<std::string, std::string, std::int32_t, std::int32_t>;
using Alarms = QVXAlarmManager;

const Report kNoData{"No data was found.", "", 0, 1};
const std::vector<int> kViews{QVXSpecConfig::kAnaFFT, QVXSpecConfig::kAnaSpectrogram,
                              QVXSpecConfig::kAna3rdOct};
// The panel's three imports; the spectrogram offers only the view settings.
enum Command
{
    kSlots,
    kColors,
    kView
};
constexpr void (QVXViewSettingsImport::*kImports[])() = {
    &QVXViewSettingsImport::ImportMemorySlots, &QVXViewSettingsImport::ImportColors,
    &QVXViewSettingsImport::ImportViewSettings};

Config::MemSlotData Curve(float level, int view)
{
    Config::MemSlotData curve;
    std::tie(curve.mType, curve.mBands, curve.mFs, curve.mView) =
        std::make_tuple(Config::kDtPeakHold, 2, 48000, view);
    curve.mChannels = {{level, level - 0.5f}, {level - 1.0f, level - 1.5f}};
    return curve;
}

// One message for each of the 22 colours of a view.
std::vector<LoggedMessage> ColorMessages()
{
    std::vector<LoggedMessage> messages;
    for (int role = 0; role < 22; ++role)
        messages.push_back(M("colr", role));
    return messages;
}

// The state with the colours of `view` (the colour maps of the spectrogram) taken from the source.
ArchivedState WithColorsOf(ArchivedState state, const ArchivedState& source, int view)
{
    if (view == Config::kAnaSpectrogram)
        state.colorMaps = source.colorMaps;
    else
        std::copy_n(source.colors.begin() + (view == Config::kAnaFFT ? 0 : 22), 22,
                    state.colors.begin() + (view == Config::kAnaFFT ? 0 : 22));
    return state;
}

class ViewSettingsImport : public TestFiles::TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        mOldConfigHome = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        ::setenv("XDG_CONFIG_HOME", (mDir / "config").c_str(), 1);
        for (Quarvix* plugin : {static_cast<Quarvix*>(&mTarget), &mSource})
        {
            plugin->SetSampleRate(48000.0f);
            plugin->GetAlarmManager().RegisterStandardAlarms();
        }
        // The source differs from the target in everything it stores.
        SetEverything(Source());
        Alarms& alarms = mSource.GetAlarmManager();
        alarms.SetSeverity(Alarms::kBandLevelAlarmL, Alarms::kSpecialSeverity);
        alarms.SetThreshold(Alarms::kBandLevelAlarmL, -30.0f);
        alarms.SetSeverity(Alarms::kBandLevelAlarmR, 2);
        alarms.SetThreshold(Alarms::kBandLevelAlarmR, -50.0f);
        alarms.SetGroupTriggerSeverity(Alarms::kMasterAlarm, 3);
        mTarget.GetAlarmManager().SetSeverity(Alarms::kBandLevelAlarmL, 3);

        InstallQuarvixEditor(); // the plug-in's own editor around the import
        mEditor = std::make_unique<OffscreenEditor>(mTarget);
        mEditor->SetDialogService(&mDialogs);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        mImport.emplace(*mEditor, &Target(), &mTarget.GetAlarmManager());
        mLog.emplace(&mTarget, Target().GetMsgClass(QVXSpecConfigMessages::kClass));
    }
    void TearDown() override
    {
        mLog.reset();
        mImport.reset();
        mEditor.reset();
        mOldConfigHome.empty() ? ::unsetenv("XDG_CONFIG_HOME")
                               : ::setenv("XDG_CONFIG_HOME", mOldConfigHome.c_str(), 1);
        TempDirTest::TearDown();
    }

    QVXSpecConfig& Target() { return *mTarget.GetGeneralService().GetSpecConfig(); }
    QVXSpecConfig& Source() { return *mSource.GetGeneralService().GetSpecConfig(); }
    const Alarms::AlarmRecord& Alarm(std::string_view name)
    {
        return *mTarget.GetAlarmManager().GetAlarm(name);
    }

    // The source instance saved as a settings file, chosen in the next dialogs.
    void ChooseSourceFile()
    {
        fs::create_directories(mDir / "files");
        ASSERT_TRUE(mSource.WriteSettingsFile((mDir / "files" / "source.quarvix").string()));
        mDialogs.answer = (mDir / "files" / "source.quarvix").string();
    }
    void ChooseFileHolding(const std::string& bytes)
    {
        TestFiles::WriteFile(mDir / "chosen.quarvix", bytes);
        mDialogs.answer = (mDir / "chosen.quarvix").string();
    }
    // A settings archive that holds only the source's alarms.
    std::string AlarmsOnlyText()
    {
        std::ostringstream out;
        Serialization::XMLArchive archive(out, "CVL Plugin Settings (Corvanel Sound)", true);
        archive.BeginWriting();
        {
            Serialization::ObjectWriteScope scope(archive, mSource.GetAlarmManager(),
                                                  "QVXAlarmManager");
            mSource.GetAlarmManager().Save(archive);
        }
        archive.EndWriting();
        return out.str();
    }

    // Each import every view offers, run from a cleared log and report
    // list, with the state before it kept for `check`.
    void ForEachImport(const std::function<void(int view, int command)>& check)
    {
        for (const int view : kViews)
            for (const int command : {kSlots, kColors, kView})
            {
                if (view == Config::kAnaSpectrogram && command != kView)
                    continue;
                SCOPED_TRACE(testing::Message() << "view " << view << ", command " << command);
                Target().SetSpectrumView(view, false);
                mBefore = State();
                mBeforeConfig = StateOf(Target());
                mLog->Take();
                TakeReports();
                ((*mImport).*kImports[command])();
                check(view, command);
            }
    }
    std::vector<Report> TakeReports()
    {
        std::vector<Report> reports;
        for (Frame* child : std::vector<Frame*>(mEditor->GetMasterFrame()->GetChildren()))
            if (auto* error = dynamic_cast<ErrorFrame*>(child))
            {
                reports.emplace_back(error->GetMessage(), error->GetDetail(), error->GetCode(),
                                     error->GetSeverity());
                delete error;
            }
        return reports;
    }
    std::string State() { return TestFiles::MaskIds(mTarget.CaptureSettingsText()); }

    FakeClock mClock;
    std::string mOldConfigHome, mBefore;
    ArchivedState mBeforeConfig;
    RecordingPlatform mPlatform, mSourcePlatform;
    Quarvix mTarget{mPlatform, {2, 2}};
    Quarvix mSource{mSourcePlatform, {2, 2}};
    ScriptedDialogs mDialogs;
    std::unique_ptr<OffscreenEditor> mEditor;
    std::optional<QVXViewSettingsImport> mImport;
    std::optional<MessageLog> mLog;
};

TEST_F(ViewSettingsImport, MemorySlotsReplaceOnlyTheSlotsTheFileFillsAndKeepVisibility)
{
    for (const int view : {Config::kAnaFFT, Config::kAna3rdOct})
    {
        SCOPED_TRACE(view);
        Source().SetSpectrumView(view, false);
        Source().ClearMemSlot(1, false);
        ChooseSourceFile();
        Target().SetSpectrumView(view, false);
        for (int slot = 0; slot < 3; ++slot)
        {
            Target().SetMemSlotData(slot, Curve(-10.0f * (slot + 1), view), false);
            Target().SetMemSlotVisible(slot, slot == 2, false);
        }
        ArchivedState expected = StateOf(Target());
        const ArchivedState source = StateOf(Source());
        const std::size_t first = view == Config::kAnaFFT ? 0 : 3;
        for (const std::size_t slot : {0u, 2u})
        {
            expected.slots[first + slot] = source.slots[first + slot];
            std::get<0>(expected.slots[first + slot]) = slot == 2; // visibility stays
        }
        mLog->Take();
        mImport->ImportMemorySlots();
        EXPECT_EQ(StateOf(Target()), expected);
        EXPECT_EQ(mLog->Take(), (std::vector<LoggedMessage>{M("msdc", 0), M("msdc", 2)}));
        EXPECT_TRUE(TakeReports().empty());
    }
    // Both imports asked the settings-file dialog (its request is pinned by
    // the global strip's tests); the second started where the first file was.
    ASSERT_EQ(mDialogs.asked.size(), 2u);
    EXPECT_FALSE(mDialogs.asked[1].save);
    EXPECT_EQ(std::tie(mDialogs.asked[0].initialDirectory, mDialogs.asked[1].initialDirectory),
              std::make_tuple("", (mDir / "files").string()));
}

TEST_F(ViewSettingsImport, ColorsAndViewSettingsComeOnlyForTheShownView)
{
    ChooseSourceFile();
    const ArchivedState source = StateOf(Source());
    for (const int view : kViews)
    {
        SCOPED_TRACE(view);
        Target().SetSpectrumView(view, false);
        if (view != Config::kAnaSpectrogram)
        {
            const ArchivedState expected = WithColorsOf(StateOf(Target()), source, view);
            mLog->Take();
            mImport->ImportColors();
            EXPECT_EQ(StateOf(Target()), expected);
            EXPECT_EQ(mLog->Take(), ColorMessages());
        }
        // The view's share, as the configuration's own tests pin it: here its
        // options and colours come, the other views' options stay.
        const ArchivedState before = StateOf(Target());
        mLog->Take();
        mImport->ImportViewSettings();
        const ArchivedState after = StateOf(Target());
        for (const int other : kViews)
            EXPECT_EQ(after.options[other], (other == view ? source : before).options[other]);
        EXPECT_EQ(WithColorsOf(after, source, view), after);
        EXPECT_EQ(mLog->Take(), ViewStateBurst(view == Config::kAnaSpectrogram));
        EXPECT_TRUE(TakeReports().empty());
        // The band-level alarms come only with the third-octave view; the
        // special severity 4 arrives as 0, other severities as stored, and
        // the master alarm is left alone.
        const bool alarms = view == Config::kAna3rdOct;
        const auto& left = Alarm(Alarms::kBandLevelAlarmL);
        const auto& right = Alarm(Alarms::kBandLevelAlarmR);
        EXPECT_EQ(std::tie(left.mSeverity, left.mDescriptor.mThreshold, right.mSeverity,
                           right.mDescriptor.mThreshold),
                  alarms ? std::make_tuple(0, -30.0f, 2, -50.0f)
                         : std::make_tuple(3, -10.0f, 0, -10.0f));
        EXPECT_EQ(Alarm(Alarms::kMasterAlarm).mDescriptor.mGroupTriggerSeverity, 1);
    }
}

// A damaged file changes nothing; one without a configuration (the last)
// still brings the band-level alarms with the third-octave view.
TEST_F(ViewSettingsImport, DamagedOrForeignFilesFindNoDataAndChangeNothingButAlarms)
{
    const std::string whole = mSource.CaptureSettingsText();
    const std::vector<std::pair<const char*, std::string>> files{
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"garbage", std::string("\x01\xfe no settings > here <\0 at all", 28)},
        {"a directory", ""},
        {"alarms only", AlarmsOnlyText()}};
    for (const auto& [name, bytes] : files)
    {
        SCOPED_TRACE(name);
        if (bytes.empty())
            mDialogs.answer = mDir.string();
        else
            ChooseFileHolding(bytes);
        const bool alarmsOnly = std::string_view(name) == "alarms only";
        ForEachImport(
            [&](int view, int command)
            {
                EXPECT_EQ(TakeReports(), std::vector<Report>{kNoData});
                EXPECT_EQ(StateOf(Target()), mBeforeConfig);
                EXPECT_TRUE(alarmsOnly || State() == mBefore);
                EXPECT_TRUE(mLog->Take().empty());
                const bool alarms = alarmsOnly && view == Config::kAna3rdOct && command == kView;
                EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmL).mSeverity, alarms ? 0 : 3);
                EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmR).mDescriptor.mThreshold,
                          alarms ? -50.0f : -10.0f);
            });
    }

    // Damage met half way: the slots read before it stay imported.
    std::string damaged = whole;
    const std::string slot2 = "name=\"memory[slot2]\" type=\"QVXSpecConfig.MemSlotData\"";
    damaged.replace(damaged.find(slot2), slot2.size(), "name=\"memory[slot2]\" type=\"Damaged\"");
    ChooseFileHolding(damaged);
    Target().SetSpectrumView(Config::kAna3rdOct, false);
    Target().SetMemSlotData(2, Curve(-7.0f, Config::kAna3rdOct), false);
    Target().SetSpectrumView(Config::kAnaFFT, false);
    Target().SetMemSlotData(2, Curve(-7.0f, Config::kAnaFFT), false);
    mLog->Take();
    mImport->ImportMemorySlots();
    EXPECT_EQ(TakeReports(), std::vector<Report>{kNoData});
    EXPECT_EQ(mLog->Take(), (std::vector<LoggedMessage>{M("msdc", 0), M("msdc", 1)}));
    Source().SetSpectrumView(Config::kAnaFFT, false);
    EXPECT_EQ(Target().GetMemSlotData(1).mChannels, Source().GetMemSlotData(1).mChannels);
    EXPECT_EQ(Target().GetMemSlotData(2).mChannels, Curve(-7.0f, Config::kAnaFFT).mChannels);
}

TEST_F(ViewSettingsImport, CancelDoesNothingAndTheSpectrogramAsksForNoFile)
{
    // In the spectrogram the slot and colour imports ask for no file.
    ChooseSourceFile();
    Target().SetSpectrumView(Config::kAnaSpectrogram, false);
    const std::string shown = State();
    mLog->Take();
    mImport->ImportMemorySlots();
    mImport->ImportColors();
    EXPECT_TRUE(mDialogs.asked.empty());
    EXPECT_EQ(State(), shown);
    EXPECT_TRUE(mLog->Take().empty());
    EXPECT_TRUE(TakeReports().empty());
    // Every import offered, cancelled: one dialog each, nothing changed or said.
    mDialogs.answer.reset();
    std::size_t asked = 0;
    ForEachImport(
        [&](int, int)
        {
            EXPECT_EQ(mDialogs.asked.size(), ++asked);
            EXPECT_EQ(State(), mBefore);
            EXPECT_TRUE(mLog->Take().empty());
            EXPECT_TRUE(TakeReports().empty());
        });
    EXPECT_FALSE(Platform::Registry().GetValue("Software\\Corvanel Sound\\Recent Directories",
                                               "QVX Spectrum Analyzer", 1024));
}

TEST_F(ViewSettingsImport, ResetRestoresTheColoursOfTheDefaultSettingsElseTheBuiltInOnes)
{
    // Built-in: the colours and maps every new instance starts with.
    Quarvix fresh(mSourcePlatform, {2, 2});
    const ArchivedState builtIn = StateOf(*fresh.GetGeneralService().GetSpecConfig());
    // With default settings: those of the source, loaded into the target.
    // Either way the user has changed the colours since.
    const ArchivedState source = StateOf(Source());
    for (const bool defaults : {false, true})
    {
        if (defaults)
        {
            mPlatform.defaults[Quarvix::kDefaultSettingsName] = mSource.CaptureSettingsText();
            ASSERT_TRUE(mTarget.LoadDefaultSettings());
        }
        for (const int set : {0, 2})
            for (int role = 0; role < 22; ++role)
                Target().SetColor(set, role, {static_cast<std::uint16_t>(role), 1, 2}, false);
        Target().SetSpectrogramColorMap(0, 5, false);
        Target().SetSpectrogramColorMap(1, 9, false);
        for (const int view : kViews)
        {
            SCOPED_TRACE(testing::Message() << "defaults " << defaults << ", view " << view);
            Target().SetSpectrumView(view, false);
            const ArchivedState expected =
                WithColorsOf(StateOf(Target()), defaults ? source : builtIn, view);
            mLog->Take();
            mImport->ResetColors();
            EXPECT_EQ(StateOf(Target()), expected);
            EXPECT_EQ(mLog->Take(), view == Config::kAnaSpectrogram
                                        ? (std::vector<LoggedMessage>{M("cmap", 0), M("cmap", 1)})
                                        : ColorMessages());
        }
    }
    EXPECT_TRUE(TakeReports().empty());
    EXPECT_TRUE(mDialogs.asked.empty());

    // Default settings without a configuration hold no colours to go back to.
    mPlatform.defaults[Quarvix::kDefaultSettingsName] = AlarmsOnlyText();
    mTarget.LoadDefaultSettings();
    const ArchivedState before = StateOf(Target());
    mImport->ResetColors();
    EXPECT_EQ(TakeReports(), std::vector<Report>{kNoData});
    EXPECT_EQ(StateOf(Target()), before);
}
} // namespace
