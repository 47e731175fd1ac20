#include "core/PluginCore.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "platform/SafeFile.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "plugin/QuarvixSpecService.h"
#include "support/RecordingPlatform.h"
#include "support/SpecConfigState.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <tuple>
#include <unistd.h>

namespace
{

using namespace PluginSettingsMessages;
using namespace SpecConfigState;
using TestFiles::MaskIds;
using Alarms = QVXAlarmManager;

// The chunk as text (the length is known only once the chunk is made).
std::string Chunk(PluginCore& plugin, bool currentProgramOnly)
{
    const char* chunk = plugin.GetChunk(currentProgramOnly);
    return chunk ? std::string(chunk, plugin.GetChunkLength()) : std::string();
}

void SetChunk(PluginCore& plugin, const std::string& text, bool currentProgramOnly = true)
{
    plugin.SetChunk(text.data(), static_cast<std::int32_t>(text.size()), currentProgramOnly);
}

QVXSpecConfig& Config(Quarvix& plugin)
{
    return *plugin.GetGeneralService().GetSpecConfig();
}

// Title and message of each error reported.
using ReportList = std::vector<std::pair<std::string, std::string>>;
ReportList Reports(const RecordingPlatform& platform)
{
    ReportList reports;
    for (const auto& error : platform.errors)
        reports.emplace_back(error.title, error.message);
    return reports;
}

// Threshold, severity and group trigger severity of the three alarms, in name order.
using AlarmSettingList = std::vector<std::tuple<float, std::int32_t, std::int32_t>>;
AlarmSettingList AlarmSettings(const Quarvix& plugin)
{
    AlarmSettingList settings;
    for (std::string_view name : {Alarms::kMasterAlarm, Alarms::kBandLevelAlarmL, Alarms::kBandLevelAlarmR})
    {
        const Alarms::AlarmRecord& alarm = *plugin.GetAlarmManager().GetAlarm(name);
        settings.emplace_back(alarm.mDescriptor.mThreshold, alarm.mSeverity, alarm.mDescriptor.mGroupTriggerSeverity);
    }
    return settings;
}

// An instance with every archived value of its configuration and every
// alarm setting away from the defaults, and its settings text.
class SettingsRoundTrip : public ::testing::Test
{
protected:
    SettingsRoundTrip()
    {
        SetEverything(Config(mSource));
        Alarms& alarms = mSource.GetAlarmManager();
        alarms.RegisterStandardAlarms();
        alarms.SetThreshold(Alarms::kBandLevelAlarmL, -42.5f);
        alarms.SetSeverity(Alarms::kBandLevelAlarmL, 2);
        alarms.SetThreshold(Alarms::kBandLevelAlarmR, -7.0f);
        alarms.SetSeverity(Alarms::kBandLevelAlarmR, 4);
        alarms.SetSeverity(Alarms::kMasterAlarm, 5);
        alarms.SetGroupTriggerSeverity(Alarms::kMasterAlarm, 2);
        mSaved = Chunk(mSource, true);
    }

    RecordingPlatform mPlatform;
    Quarvix mSource{mPlatform, {2, 2}};
    std::string mSaved;
};

// The text holds the metadata, the services in the order they were attached,
// then the alarms: their count and one object per alarm, numbered, in name
// order. Each way settings travel restores the whole state on a fresh
// instance, which announces every value it read. Its alarms are not registered
// yet (no editor is open): their settings wait, are saved again as they came,
// and apply when the panels register the alarms.
TEST_F(SettingsRoundTrip, TextHoldsEverythingInOrderAndEveryWaySettingsTravelRestoresIt)
{
    const char* chunk = mSource.GetChunk(true);
    EXPECT_EQ(std::string(chunk + mSource.GetChunkLength(), 16), std::string(16, '\0')) << "a zeroed tail";
    EXPECT_EQ(mSaved.rfind("<obj_archive type=\"CVL Plugin Settings (Copyright 2026 Corvanel Sound.)\">\n", 0), 0u);
    EXPECT_EQ(mSaved.find("<?xml"), std::string::npos);
    std::size_t at = 0;
    for (const char* item :
         {"name=\"Settings Metadata\" type=\"PluginCore_SettingsMetaData\"", "name=\"QVXGeneralSpecService\"",
          "name=\"QuarvixSpecService\"", "name=\"Quarvix3rdOctAnalysisService\"", "name=\"QVXAlarmManager\"",
          "<att name=\"alarm_count\" type=\"i\">3</att>", "name=\"0\"", ">global.master_alarm<", "name=\"1\"",
          ">spectrum.band_level.L<", "name=\"2\"", ">spectrum.band_level.R<", "</obj_archive>\n"})
    {
        at = mSaved.find(item, at);
        ASSERT_NE(at, std::string::npos) << item;
    }

    const std::string path = ::testing::TempDir() + "/round-trip" + kSettingsFileExtension;
    const std::pair<const char*, std::function<void(Quarvix&)>> carriers[] = {
        {"chunk of the current program", [&](Quarvix& target) { SetChunk(target, mSaved); }},
        {"chunk of all programs",
         [&](Quarvix& target) {
             const std::string programs = Chunk(mSource, false);
             EXPECT_EQ(MaskIds(programs), MaskIds("<!-- Corvanel Sound QVX Spectrum Analyzer Program Settings -->\n"
                                                  "<program number=\"0\" name=\"QVX Spectrum Analyzer\">\n" +
                                                  mSaved + "</program>\n"));
             SetChunk(target, programs, false);
             EXPECT_EQ(target.GetProgramName(0), "QVX Spectrum Analyzer");
         }},
        {"settings file",
         [&](Quarvix& target) {
             ASSERT_TRUE(mSource.WriteSettingsFile(path));
             EXPECT_EQ(MaskIds(TestFiles::ReadFile(path)), MaskIds(mSaved + '\0')) << "with its terminating NUL";
             EXPECT_TRUE(target.ReadSettingsFile(path));
         }},
        {"default settings",
         [&](Quarvix& target) {
             ASSERT_TRUE(mSource.SaveDefaultSettings(Quarvix::kDefaultSettingsName));
             EXPECT_EQ(mPlatform.defaults.count("QVX Spectrum Analyzer"), 1u);
             EXPECT_TRUE(target.LoadDefaultSettings());
         }},
    };
    for (const auto& [name, load] : carriers)
    {
        SCOPED_TRACE(name);
        Quarvix target(mPlatform, {2, 2});
        MessageLog announced(&target, Config(target).GetMsgClass(QVXSpecConfigMessages::kClass));
        load(target);
        EXPECT_EQ(announced.Take(), AfterReadBurst(false));
        EXPECT_EQ(StateOf(Config(target)), StateOf(Config(mSource)));
        EXPECT_EQ(target.GetSpecService().GetFftSize(), 8192) << "the services follow the loaded settings";

        EXPECT_EQ(target.GetAlarmManager().GetPendingAlarms().size(), 3u);
        const std::string again = Chunk(target, true);
        EXPECT_EQ(MaskIds(again), MaskIds(mSaved));
        EXPECT_EQ(target.GetCurrentText(), again);
        target.GetAlarmManager().RegisterStandardAlarms();
        EXPECT_TRUE(target.GetAlarmManager().GetPendingAlarms().empty());
        EXPECT_EQ(AlarmSettings(target), (AlarmSettingList{{1.0f, 5, 2}, {-42.5f, 2, 4}, {-7.0f, 4, 4}}));
    }
    EXPECT_TRUE(mPlatform.errors.empty());
}

TEST(PluginSettings, RefusedChunksAreReportedOncePerInstance)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2}), target(platform, {2, 2}), other(platform, {1, 1}), third(platform, {2, 2});
    const std::string good = Chunk(source, true);
    const std::string late = "<!--" + std::string(520, ' ') + "-->" + good; // the maker's name only after byte 500
    SetChunk(target, late);
    SetChunk(target, late);
    std::string crlf;
    for (char c : good)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    SetChunk(other, crlf);
    SetChunk(third, "<!-- Corvanel Sound QVX Level Meter Program Settings -->\n<program number=\"0\" name=\"x\">\n" +
                        good + "</program>\n",
             false);
    third.SetChunk(nullptr, 10, true);
    third.SetChunk(good.data(), 0, true);
    EXPECT_EQ(Reports(platform),
              (ReportList{{kUnableToLoad, kCorrupted}, {kUnableToLoad, kCarriageReturns}, {kUnableToLoad, kNoHeader}}));
    EXPECT_EQ(platform.errors[0].severity, 2);
}

// Settings cut short are reported and change nothing, though their first
// values would load; default settings that cannot be loaded fail silently.
TEST(PluginSettings, DamagedOrMissingSettingsLeaveTheStateAsItWas)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2}), target(platform, {2, 2});
    Config(target).SetSpecGain(21.0f);
    SetEverything(Config(source));
    std::string text = Chunk(source, true);
    text.resize(text.find("specOptions") + 400);
    EXPECT_FALSE(target.ReadSettings(text));
    EXPECT_EQ(Reports(platform), (ReportList{{kUnableToLoad, kCorrupted}}));
    EXPECT_EQ(std::pair(Config(target).GetSpecGain(), Config(target).GetFftSize()), std::pair(21.0f, 2048));

    EXPECT_FALSE(target.LoadDefaultSettings()) << "nothing stored yet";
    platform.defaults["QVX Spectrum Analyzer"] = "<obj_archive type=\"x\">garbage";
    EXPECT_FALSE(target.LoadDefaultSettings());
    EXPECT_EQ(Config(target).GetSpecGain(), 21.0f);
    EXPECT_EQ(platform.errors.size(), 1u) << "a failure with defaults is silent";
}

TEST(PluginAlarmSettings, HostResetParameterClearsTheMasterAlarm)
{
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    Alarms& alarms = plugin.GetAlarmManager();
    alarms.RegisterStandardAlarms();
    alarms.SetSeverity(Alarms::kBandLevelAlarmL, 2);
    alarms.PostValue(Alarms::kBandLevelAlarmL, -1.0f);
    ASSERT_TRUE(alarms.GetAlarm(Alarms::kMasterAlarm)->mTriggered);

    const ParameterDescriptor& reset = *plugin.GetDescription().FindParameterById(FourCC("rest"));
    plugin.OnHostParameterChange(reset, 0.0f);
    plugin.FlushHostParameterChanges();
    EXPECT_TRUE(alarms.GetAlarm(Alarms::kMasterAlarm)->mTriggered) << "0 resets nothing";
    plugin.OnHostParameterChange(reset, 1.0f);
    plugin.FlushHostParameterChanges();
    EXPECT_FALSE(alarms.GetAlarm(Alarms::kMasterAlarm)->mTriggered || alarms.GetAlarm(Alarms::kBandLevelAlarmL)->mTriggered);
}

TEST(PluginSettingsCommands, DefaultSettingsButtonsReportTheirOutcome)
{
    struct NoDefaults : RecordingPlatform
    {
        bool SaveDefaultSettings(const std::string&, const std::string&) override { return false; }
    } missing;
    Quarvix plugin(missing, {2, 2});
    EXPECT_FALSE(plugin.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    EXPECT_FALSE(plugin.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    EXPECT_EQ(Reports(missing),
              (ReportList{{"Can't load default settings.", ""}, {"Can't save default settings.", ""}}));

    RecordingPlatform platform;
    Quarvix saving(platform, {2, 2});
    EXPECT_TRUE(saving.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    EXPECT_TRUE(saving.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(std::pair(platform.errors[0].title, platform.errors[0].severity),
              std::pair(std::string("Default settings saved."), 2));
}

// A full disk or a failed close while saving: the earlier file stays whole
// and the failure is reported, as it is for a folder that does not exist. A
// missing file, a directory, or a file far too large to be settings, is
// reported, not thrown, and loads nothing.
int gFailingCall = 0; // 1 write, 2 close
ssize_t FullDiskWrite(int fd, const void* data, std::size_t size)
{
    errno = ENOSPC;
    return gFailingCall == 1 ? -1 : ::write(fd, data, size);
}
int FailingClose(int fd)
{
    const int result = ::close(fd);
    errno = EIO;
    return gFailingCall == 2 ? -1 : result;
}

TEST(PluginSettingsCommands, SettingsFilesThatCannotBeReadOrWrittenAreReportedAndKept)
{
    const std::string dir = ::testing::TempDir(), path = dir + "/full" + kSettingsFileExtension;
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    EXPECT_FALSE(plugin.WriteSettingsFile(::testing::TempDir() + "/no/such/folder/x.quarvix"));
    ASSERT_TRUE(plugin.WriteSettingsFile(path));
    const std::string earlier = TestFiles::ReadFile(path);
    const Platform::FileSystemCalls calls = Platform::SetFileSystemCallsForTesting(nullptr);
    Platform::FileSystemCalls failing = calls;
    failing.write = &FullDiskWrite;
    failing.close = &FailingClose;
    Config(plugin).SetSpecFloor(-30.0f);
    for (gFailingCall = 1; gFailingCall <= 2; ++gFailingCall)
    {
        Platform::SetFileSystemCallsForTesting(&failing);
        const bool written = plugin.WriteSettingsFile(path);
        Platform::SetFileSystemCallsForTesting(&calls);
        EXPECT_FALSE(written) << gFailingCall;
        EXPECT_EQ(TestFiles::ReadFile(path), earlier);
    }
    EXPECT_EQ(Reports(platform),
              ReportList(3, {"Unable to save settings", "The selected file could not be opened or created."}));

    platform.errors.clear();
    TestFiles::WriteFile(dir + "/huge.quarvix", std::string((16u << 20) + 2, ' '));
    for (const std::string& unreadable : {dir + "/no/such/file.quarvix", dir, dir + "/huge.quarvix"})
        EXPECT_FALSE(plugin.ReadSettingsFile(unreadable)) << unreadable;
    EXPECT_EQ(Reports(platform), ReportList(3, {"Unable to load settings.", ""}));
    EXPECT_EQ(Config(plugin).GetSpecFloor(), -30.0f);
}

} // namespace
