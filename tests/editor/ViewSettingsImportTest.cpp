// The analyzer panel's imports from settings files and its colour reset, over
// the real plug-in object in an open editor with a scripted file dialog. The
// files come from a second instance whose state was changed, saved with its
// own settings-file writer; the registry lives in a fresh directory. Expected
// states are the target's own with the imported view's share taken from the
// source instance; the built-in colours are those a new instance starts with.

#include "ScriptedDialogs.h"

#include "editor/QVXViewSettingsImport.h"
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
enum Command
{
    kSlots = 40,
    kColors = 41,
    kView = 42
};

struct PagePlugin : Quarvix
{
    using Quarvix::Quarvix;
    Frame* CreateEditorFrame(PluginUIRoot& root) override
    {
        return new Frame(root.GetMasterFrame(), 0, 0, 300, 200, 0, 0);
    }
};

Config::MemSlotData Curve(float level, int view)
{
    Config::MemSlotData curve;
    curve.mType = Config::kDtPeakHold;
    curve.mBands = 2;
    curve.mFs = 48000;
    curve.mView = view;
    curve.mChannels = {{level, level - 0.5f}, {level - 1.0f, level - 1.5f}};
    return curve;
}

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

// The target's state with what a view import of `view` takes from the source.
ArchivedState WithViewOf(ArchivedState state, const ArchivedState& source, int view)
{
    const auto at = static_cast<std::size_t>(view);
    state.options[at] = source.options[at];
    state.bandRanges[at] = source.bandRanges[at];
    state = WithColorsOf(state, source, view);
    if (view == Config::kAnaSpectrogram)
    {
        std::tie(state.gain, state.floor) = std::tie(source.gain, source.floor);
        return state;
    }
    const std::size_t half = view == Config::kAnaFFT ? 0 : 1;
    std::copy_n(source.slots.begin() + 3 * half, 3, state.slots.begin() + 3 * half);
    state.activeMemory[half] = source.activeMemory[half];
    if (view == Config::kAna3rdOct)
        state.barView = source.barView;
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

        mEditor = std::make_unique<OffscreenEditor>(mTarget, 300, 200);
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

    void Run(int command)
    {
        switch (command)
        {
        case kSlots:
            return mImport->ImportMemorySlots();
        case kColors:
            return mImport->ImportColors();
        default:
            return mImport->ImportViewSettings();
        }
    }
    std::vector<Report> TakeReports()
    {
        std::vector<Report> reports;
        const std::vector<Frame*> children = mEditor->GetMasterFrame()->GetChildren();
        for (Frame* child : children)
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
    std::string mOldConfigHome;
    RecordingPlatform mPlatform, mSourcePlatform;
    PagePlugin mTarget{mPlatform, {2, 2}};
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
    // Both imports asked the settings-file dialog; the second one started
    // where the first file was chosen.
    ASSERT_EQ(mDialogs.asked.size(), 2u);
    for (const FileDialogRequest& request : mDialogs.asked)
    {
        EXPECT_FALSE(request.save);
        ASSERT_EQ(request.filters.size(), 2u);
        EXPECT_EQ(std::tie(request.filters[0].label, request.filters[0].pattern),
                  std::make_tuple("CVL Settings Files (*.quarvix)", "*.quarvix"));
        EXPECT_EQ(std::tie(request.filters[1].label, request.filters[1].pattern),
                  std::make_tuple("All Files (*.*)", "*.*"));
    }
    EXPECT_EQ(mDialogs.asked[0].initialDirectory, "");
    EXPECT_EQ(mDialogs.asked[1].initialDirectory, (mDir / "files").string());
}

TEST_F(ViewSettingsImport, ColorsAndViewSettingsComeOnlyForTheShownView)
{
    ChooseSourceFile();
    const ArchivedState source = StateOf(Source());
    for (const int view : {Config::kAnaFFT, Config::kAnaSpectrogram, Config::kAna3rdOct})
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
        const ArchivedState expected = WithViewOf(StateOf(Target()), source, view);
        mLog->Take();
        mImport->ImportViewSettings();
        EXPECT_EQ(StateOf(Target()), expected);
        EXPECT_EQ(mLog->Take(), ViewStateBurst(view == Config::kAnaSpectrogram));
        EXPECT_TRUE(TakeReports().empty());
        // The band-level alarms come only with the third-octave view; the
        // special severity 4 arrives as 0, other severities as stored, and
        // the master alarm is left alone.
        const bool alarms = view == Config::kAna3rdOct;
        EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmL).mSeverity, alarms ? 0 : 3);
        EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmL).mDescriptor.mThreshold, alarms ? -30.0f : -10.0f);
        EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmR).mSeverity, alarms ? 2 : 0);
        EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmR).mDescriptor.mThreshold, alarms ? -50.0f : -10.0f);
        EXPECT_EQ(Alarm(Alarms::kMasterAlarm).mDescriptor.mGroupTriggerSeverity, 1);
    }
}
TEST_F(ViewSettingsImport, FileWithoutTheConfigurationFindsNoDataButStillImportsAlarms)
{
    ChooseFileHolding(AlarmsOnlyText());
    for (const int view : {Config::kAnaFFT, Config::kAnaSpectrogram, Config::kAna3rdOct})
        for (const int command : {kSlots, kColors, kView})
        {
            if (view == Config::kAnaSpectrogram && command != kView)
                continue;
            SCOPED_TRACE(testing::Message() << "view " << view << ", command " << command);
            Target().SetSpectrumView(view, false);
            const ArchivedState before = StateOf(Target());
            mLog->Take();
            Run(command);
            EXPECT_EQ(TakeReports(), std::vector<Report>{kNoData});
            EXPECT_EQ(StateOf(Target()), before);
            EXPECT_TRUE(mLog->Take().empty());
            const bool alarms = view == Config::kAna3rdOct && command == kView;
            EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmL).mSeverity, alarms ? 0 : 3);
            EXPECT_EQ(Alarm(Alarms::kBandLevelAlarmR).mDescriptor.mThreshold,
                      alarms ? -50.0f : -10.0f);
        }
}

TEST_F(ViewSettingsImport, DamagedFilesAreReportedAndChangeNothing)
{
    const std::string whole = mSource.CaptureSettingsText();
    const std::vector<std::pair<const char*, std::string>> files{
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"garbage", std::string("\x01\xfe no settings > here <\0 at all", 28)},
        {"a directory", ""}};
    for (const auto& [name, bytes] : files)
        for (const int view : {Config::kAnaFFT, Config::kAnaSpectrogram, Config::kAna3rdOct})
            for (const int command : {kSlots, kColors, kView})
            {
                if (view == Config::kAnaSpectrogram && command != kView)
                    continue;
                SCOPED_TRACE(testing::Message()
                             << name << ", view " << view << ", command " << command);
                if (bytes.empty())
                    mDialogs.answer = mDir.string();
                else
                    ChooseFileHolding(bytes);
                Target().SetSpectrumView(view, false);
                const std::string before = State();
                mLog->Take();
                Run(command);
                EXPECT_EQ(TakeReports(), std::vector<Report>{kNoData});
                EXPECT_EQ(State(), before);
                EXPECT_TRUE(mLog->Take().empty());
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
    ChooseSourceFile();
    for (const bool cancel : {false, true})
        for (const int view : {Config::kAnaFFT, Config::kAnaSpectrogram, Config::kAna3rdOct})
            for (const int command : {kSlots, kColors, kView})
            {
                const bool asks = view != Config::kAnaSpectrogram || command == kView;
                if (cancel != asks)
                    continue;
                SCOPED_TRACE(testing::Message() << "view " << view << ", command " << command);
                if (cancel)
                    mDialogs.answer.reset();
                Target().SetSpectrumView(view, false);
                const std::size_t asked = mDialogs.asked.size();
                const std::string before = State();
                mLog->Take();
                Run(command);
                EXPECT_EQ(mDialogs.asked.size(), asked + (asks ? 1 : 0));
                EXPECT_EQ(State(), before);
                EXPECT_TRUE(mLog->Take().empty());
                EXPECT_TRUE(TakeReports().empty());
            }
    EXPECT_FALSE(Platform::Registry().GetValue("Software\\Corvanel Sound\\Recent Directories",
                                               "QVX Spectrum Analyzer", 1024));
}

TEST_F(ViewSettingsImport, ResetRestoresTheColoursOfTheDefaultSettingsElseTheBuiltInOnes)
{
    // Built-in: the colours every new instance starts with, and both colour maps 2.
    Quarvix fresh(mSourcePlatform, {2, 2});
    const ArchivedState builtIn = StateOf(*fresh.GetGeneralService().GetSpecConfig());
    ASSERT_EQ(builtIn.colors[2], (CVLCanvas::ColorSpec{55512, 55512, 55512}));      // FFT "clrLR"
    ASSERT_EQ(builtIn.colors[22 + 2], (CVLCanvas::ColorSpec{37008, 37265, 37008})); // third-octave
    ASSERT_EQ(builtIn.colorMaps, (std::vector<int>{2, 2}));
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
        for (const int view : {Config::kAnaFFT, Config::kAnaSpectrogram, Config::kAna3rdOct})
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
