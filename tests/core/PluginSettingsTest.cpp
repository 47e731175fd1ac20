#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "core/PluginCore.h"
#include "plugin/Quarvix.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "support/RecordingPlatform.h"
#include "platform/SafeFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

namespace
{

using namespace PluginSettingsMessages;

using TestFiles::MaskIds;

// The chunk as text (the length is known only once the chunk is made).
std::string Chunk(PluginCore& plugin, bool currentProgramOnly)
{
    const char* chunk = plugin.GetChunk(currentProgramOnly);
    return chunk ? std::string(chunk, plugin.GetChunkLength()) : std::string();
}

QVXSpecConfig& Config(Quarvix& plugin)
{
    return *plugin.GetGeneralService().GetSpecConfig();
}

void ChangeEverything(QVXSpecConfig& config)
{
    config.SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    config.SetSpecWeighting(2);
    config.SetBandLevelRange(20, 35);
    config.SetSpectrumView(QVXSpecConfig::kAnaFFT);
    config.SetFftSize(8192);
    config.SetWinType(3);
    config.SetAnalysisChannel(QVXSpecConfig::kChRight);
    config.SetFreqZoomRange(120.0f, 9000.0f);
    config.SetSpecGain(12.0f);
    config.SetSpecFloor(-60.0f);
    config.SetSpectrogramColorMap(1, 7);
    config.SetColor(0, 4, CVLCanvas::ColorSpec{0x1234, 0x5678, 0x9abc});
    QVXSpecConfig::MemSlotData curve;
    curve.mType = QVXSpecConfig::kDtPeakHold;
    curve.mBands = 4;
    curve.mFs = 48000;
    curve.mChannels = {{-1.5f, -20.25f, -80.0f, 0.0f}};
    config.SetMemSlotData(1, curve);
    config.SetMemSlotVisible(1, true);
}

class PluginSettingsTest : public ::testing::Test
{
protected:
    RecordingPlatform mPlatform;
    Quarvix mSource{mPlatform, {2, 2}};
    Quarvix mTarget{mPlatform, {2, 2}};
};

TEST_F(PluginSettingsTest, ChunkOfTheCurrentStateRestoresItOnAFreshInstance)
{
    ChangeEverything(Config(mSource));
    const char* chunk = mSource.GetChunk(true);
    ASSERT_NE(chunk, nullptr);
    const std::string saved(chunk, mSource.GetChunkLength());
    EXPECT_EQ(chunk[saved.size()], '\0');
    EXPECT_EQ(saved.rfind("<obj_archive type=\"CVL Plugin Settings (Copyright 2026 Corvanel Sound.)\"", 0), 0u)
        << saved.substr(0, 200);
    EXPECT_NE(saved.find("\"Settings Metadata\""), std::string::npos);
    EXPECT_EQ(saved.find("<?xml"), std::string::npos);

    mTarget.SetChunk(saved.data(), static_cast<std::int32_t>(saved.size()), true);
    EXPECT_TRUE(mPlatform.errors.empty());
    QVXSpecConfig& restored = Config(mTarget);
    EXPECT_EQ(restored.GetFftSize(), 8192);
    EXPECT_EQ(restored.GetWinType(), 3);
    EXPECT_EQ(restored.GetMemSlotData(1).mChannels, Config(mSource).GetMemSlotData(1).mChannels);
    EXPECT_EQ(mTarget.GetSpecService().GetFftSize(), 8192) << "the services follow the loaded settings";

    const std::string again = Chunk(mTarget, true);
    EXPECT_EQ(MaskIds(again), MaskIds(saved));
    EXPECT_EQ(mTarget.GetCurrentText(), again);
}

TEST_F(PluginSettingsTest, ProgramsTextCarriesTheCurrentState)
{
    ChangeEverything(Config(mSource));
    const std::string programs = Chunk(mSource, false);
    EXPECT_EQ(programs.rfind("<!-- Corvanel Sound QVX Spectrum Analyzer Program Settings -->\n"
                             "<program number=\"0\" name=\"QVX Spectrum Analyzer\">\n<obj_archive",
                             0),
              0u);
    EXPECT_EQ(programs.substr(programs.size() - 26), "</obj_archive>\n</program>\n");

    mTarget.SetChunk(programs.data(), static_cast<std::int32_t>(programs.size()), false);
    EXPECT_TRUE(mPlatform.errors.empty());
    EXPECT_EQ(Config(mTarget).GetFftSize(), 8192);
    EXPECT_EQ(mTarget.GetProgramName(0), "QVX Spectrum Analyzer");
}

TEST_F(PluginSettingsTest, RefusedChunksAreReportedOncePerInstance)
{
    const std::string good = Chunk(mSource, true);

    // The maker's name only after byte 500.
    std::string late = "<!--" + std::string(520, ' ') + "-->" + good;
    mTarget.SetChunk(late.data(), static_cast<std::int32_t>(late.size()), true);
    ASSERT_EQ(mPlatform.errors.size(), 1u);
    EXPECT_EQ(std::tuple(mPlatform.errors[0].title, mPlatform.errors[0].message, mPlatform.errors[0].severity),
              std::tuple(kUnableToLoad, kCorrupted, 2));
    mTarget.SetChunk(late.data(), static_cast<std::int32_t>(late.size()), true);
    EXPECT_EQ(mPlatform.errors.size(), 1u) << "reported once per instance";

    Quarvix other(mPlatform, {1, 1});
    std::string crlf;
    for (char c : good)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    other.SetChunk(crlf.data(), static_cast<std::int32_t>(crlf.size()), true);
    ASSERT_EQ(mPlatform.errors.size(), 2u);
    EXPECT_EQ(mPlatform.errors[1].message, kCarriageReturns);

    Quarvix third(mPlatform, {2, 2});
    const std::string foreign = "<!-- Corvanel Sound QVX Level Meter Program Settings -->\n"
                                "<program number=\"0\" name=\"x\">\n" + good + "</program>\n";
    third.SetChunk(foreign.data(), static_cast<std::int32_t>(foreign.size()), false);
    ASSERT_EQ(mPlatform.errors.size(), 3u);
    EXPECT_EQ(mPlatform.errors[2].message, kNoHeader);

    third.SetChunk(nullptr, 10, true);
    third.SetChunk(good.data(), 0, true);
    EXPECT_EQ(mPlatform.errors.size(), 3u);
}

TEST_F(PluginSettingsTest, ProgramNumbersAreTakenAsTheirMagnitude)
{
    Config(mSource).SetSpecGain(33.0f);
    const std::string state = Chunk(mSource, true);
    // -1 addresses program 1, which this plug-in does not have: skipped; so
    // is the number whose magnitude a long cannot hold.
    const std::string text = "<!-- Corvanel Sound QVX Spectrum Analyzer Program Settings -->\n"
                             "<program number=\"-1\" name=\"Other\">\n" + state + "</program>\n"
                             "<program number=\"-9223372036854775808\" name=\"Min\">\n" + state + "</program>\n";
    mTarget.SetChunk(text.data(), static_cast<std::int32_t>(text.size()), false);
    EXPECT_EQ(mTarget.GetProgramName(0), "QVX Spectrum Analyzer");
    EXPECT_EQ(Config(mTarget).GetSpecGain(), 0.0f);
    EXPECT_TRUE(mPlatform.errors.empty());
}

TEST_F(PluginSettingsTest, DamagedSettingsAreReportedAndLeaveTheStateAsItWas)
{
    Config(mTarget).SetSpecGain(21.0f);
    ChangeEverything(Config(mSource));
    std::string text = Chunk(mSource, true);
    // Cut it after the configuration began: the first values would load.
    text.resize(text.find("specOptions") + 400);
    EXPECT_FALSE(mTarget.ReadSettings(text));
    ASSERT_EQ(mPlatform.errors.size(), 1u);
    EXPECT_EQ(std::tuple(mPlatform.errors[0].title, mPlatform.errors[0].message), std::tuple(kUnableToLoad, kCorrupted));
    EXPECT_EQ(Config(mTarget).GetSpecGain(), 21.0f);
    EXPECT_EQ(Config(mTarget).GetFftSize(), 2048);
}

TEST_F(PluginSettingsTest, DefaultSettingsThroughThePlatform)
{
    EXPECT_FALSE(mTarget.LoadDefaultSettings()) << "nothing stored yet";
    ChangeEverything(Config(mSource));
    ASSERT_TRUE(mSource.SaveDefaultSettings(Quarvix::kDefaultSettingsName));
    ASSERT_EQ(mPlatform.defaults.count("QVX Spectrum Analyzer"), 1u);
    EXPECT_TRUE(mTarget.LoadDefaultSettings());
    EXPECT_EQ(Config(mTarget).GetFftSize(), 8192);

    mPlatform.defaults["QVX Spectrum Analyzer"] = "<obj_archive type=\"x\">garbage";
    Config(mTarget).SetSpecGain(5.0f);
    EXPECT_FALSE(mTarget.LoadDefaultSettings());
    EXPECT_EQ(Config(mTarget).GetSpecGain(), 5.0f);
    EXPECT_TRUE(mPlatform.errors.empty()) << "a failure here is silent";
}

} // namespace

namespace
{

TEST(PluginAlarmSettings, ThresholdsAndSeveritiesTravelWithTheChunk)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2});
    QVXAlarmManager& alarms = source.GetAlarmManager();
    alarms.RegisterStandardAlarms();
    alarms.SetThreshold(QVXAlarmManager::kBandLevelAlarmL, -33.5f);
    alarms.SetSeverity(QVXAlarmManager::kBandLevelAlarmR, 2);
    alarms.SetGroupTriggerSeverity(QVXAlarmManager::kMasterAlarm, 2);
    const std::string saved = Chunk(source, true);
    ASSERT_NE(saved.find("\"QVXAlarmManager\""), std::string::npos);

    // Restored before the panels register the alarms (no editor open yet),
    // saved again, and only then registered: nothing is lost on the way.
    Quarvix target(platform, {2, 2});
    target.SetChunk(saved.data(), static_cast<std::int32_t>(saved.size()), true);
    const std::string resaved = Chunk(target, true);
    Quarvix third(platform, {2, 2});
    third.SetChunk(resaved.data(), static_cast<std::int32_t>(resaved.size()), true);
    QVXAlarmManager& restored = third.GetAlarmManager();
    restored.RegisterStandardAlarms();
    EXPECT_EQ(restored.GetAlarm(QVXAlarmManager::kBandLevelAlarmL)->mDescriptor.mThreshold, -33.5f);
    EXPECT_EQ(restored.GetAlarm(QVXAlarmManager::kBandLevelAlarmR)->mSeverity, 2);
    EXPECT_EQ(restored.GetAlarm(QVXAlarmManager::kMasterAlarm)->mDescriptor.mGroupTriggerSeverity, 2);
    EXPECT_TRUE(platform.errors.empty());
    EXPECT_EQ(MaskIds(Chunk(third, true)), MaskIds(saved));
}

TEST(PluginAlarmSettings, HostResetParameterClearsTheMasterAlarm)
{
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    QVXAlarmManager& alarms = plugin.GetAlarmManager();
    alarms.RegisterStandardAlarms();
    alarms.SetSeverity(QVXAlarmManager::kBandLevelAlarmL, 2);
    alarms.PostValue(QVXAlarmManager::kBandLevelAlarmL, -1.0f);
    ASSERT_TRUE(alarms.GetAlarm(QVXAlarmManager::kMasterAlarm)->mTriggered);

    const ParameterDescriptor& reset = *plugin.GetDescription().FindParameterById(FourCC("rest"));
    plugin.OnHostParameterChange(reset, 0.0f);
    plugin.FlushHostParameterChanges();
    EXPECT_TRUE(alarms.GetAlarm(QVXAlarmManager::kMasterAlarm)->mTriggered) << "0 resets nothing";
    plugin.OnHostParameterChange(reset, 1.0f);
    plugin.FlushHostParameterChanges();
    EXPECT_FALSE(alarms.GetAlarm(QVXAlarmManager::kMasterAlarm)->mTriggered);
    EXPECT_FALSE(alarms.GetAlarm(QVXAlarmManager::kBandLevelAlarmL)->mTriggered);
}

} // namespace

namespace
{

TEST(PluginSettingsCommands, DefaultSettingsButtonsReportTheirOutcome)
{
    struct NoDefaults : RecordingPlatform
    {
        bool SaveDefaultSettings(const std::string&, const std::string&) override { return false; }
    };
    NoDefaults missing;
    Quarvix plugin(missing, {2, 2});
    EXPECT_FALSE(plugin.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    EXPECT_FALSE(plugin.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    ASSERT_EQ(missing.errors.size(), 2u);
    EXPECT_EQ(missing.errors[0].title, "Can't load default settings.");
    EXPECT_EQ(missing.errors[1].title, "Can't save default settings.");

    RecordingPlatform platform;
    Quarvix saving(platform, {2, 2});
    EXPECT_TRUE(saving.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].title, "Default settings saved.");
    EXPECT_EQ(platform.errors[0].severity, 2);
    EXPECT_TRUE(saving.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName));
    EXPECT_EQ(platform.errors.size(), 1u);
}

TEST(PluginSettingsCommands, SettingsFilesRoundTripAndRefuseWhatTheyCannot)
{
    const std::string dir = ::testing::TempDir();
    const std::string path = dir + "/mix" + PluginSettingsMessages::kSettingsFileExtension;
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2});
    Config(source).SetSpecFloor(-42.0f);
    ASSERT_TRUE(source.WriteSettingsFile(path));
    const std::string bytes = TestFiles::ReadFile(path);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\0') << "written with its terminating NUL";
    Quarvix target(platform, {2, 2});
    EXPECT_TRUE(target.ReadSettingsFile(path));
    EXPECT_EQ(Config(target).GetSpecFloor(), -42.0f);
    EXPECT_TRUE(platform.errors.empty());

    EXPECT_FALSE(target.WriteSettingsFile(dir + "/no/such/folder/x.quarvix"));
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].title, "Unable to save settings");
    EXPECT_EQ(platform.errors[0].message, "The selected file could not be opened or created.");
    EXPECT_FALSE(target.ReadSettingsFile(dir + "/no/such/file.quarvix"));
    ASSERT_EQ(platform.errors.size(), 2u);
    EXPECT_EQ(platform.errors[1].title, "Unable to load settings.");
    // A directory, or a file far too large to be settings, is reported, not thrown.
    EXPECT_FALSE(target.ReadSettingsFile(dir));
    TestFiles::WriteFile(dir + "/huge.quarvix", std::string((16u << 20) + 2, ' '));
    EXPECT_FALSE(target.ReadSettingsFile(dir + "/huge.quarvix"));
    ASSERT_EQ(platform.errors.size(), 4u);
    EXPECT_EQ(platform.errors[3].title, "Unable to load settings.");
    EXPECT_EQ(Config(target).GetSpecFloor(), -42.0f);
}

// A full disk while saving: the earlier file stays whole and the failure is reported.
ssize_t FullDiskWrite(int, const void*, std::size_t)
{
    errno = ENOSPC;
    return -1;
}

TEST(PluginSettingsCommands, FailedSettingsFileWriteKeepsTheEarlierFile)
{
    const std::string path = ::testing::TempDir() + "/full" + PluginSettingsMessages::kSettingsFileExtension;
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    ASSERT_TRUE(plugin.WriteSettingsFile(path));
    const std::string earlier = TestFiles::ReadFile(path);
    Platform::FileSystemCalls calls = Platform::SetFileSystemCallsForTesting(nullptr);
    Platform::FileSystemCalls full = calls;
    full.write = &FullDiskWrite;
    Platform::SetFileSystemCallsForTesting(&full);
    Config(plugin).SetSpecFloor(-30.0f);
    const bool written = plugin.WriteSettingsFile(path);
    Platform::SetFileSystemCallsForTesting(&calls);
    EXPECT_FALSE(written);
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].title, "Unable to save settings");
    EXPECT_EQ(TestFiles::ReadFile(path), earlier);
}

} // namespace
