#include "platform/DefaultSettingsFiles.h"
#include "platform/Registry.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Platform::Registry;

constexpr const char* kKey = "Software\\Corvanel Sound\\Default Settings";

// Sets an environment variable (null: unsets it) for a scope.
struct ScopedEnv
{
    ScopedEnv(const char* name, const char* value) : name(name)
    {
        if (const char* was = std::getenv(name))
            old = was;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

using RegistryTest = TestFiles::TempDirTest;

TEST_F(RegistryTest, DefaultPathFollowsAnAbsoluteXdgConfigHomeThenHome)
{
    {
        ScopedEnv config("XDG_CONFIG_HOME", mDir.c_str());
        EXPECT_EQ(Registry::DefaultPath(), mDir / "quarvix" / "registry");
    }
    ScopedEnv home("HOME", mDir.c_str());
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/config"})
    {
        ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(Registry::DefaultPath(), mDir / ".config" / "quarvix" / "registry");
    }
}

std::string ValueName(int process, int value)
{
    return std::string("p").append(std::to_string(process)).append("v").append(std::to_string(value));
}

TEST_F(RegistryTest, WritersInSeveralProcessesLoseNoValue)
{
    const fs::path file = mDir / "registry";
    constexpr int kProcesses = 4, kValues = 60;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p)
    {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            Registry registry(file);
            bool all = true;
            for (int v = 0; v < kValues; ++v)
                all = registry.SetValue(kKey, ValueName(p, v), "x") && all;
            ::_exit(all ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children)
    {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry registry(file);
    for (int p = 0; p < kProcesses; ++p)
        for (int v = 0; v < kValues; ++v)
            EXPECT_TRUE(registry.GetValue(kKey, ValueName(p, v), 10)) << ValueName(p, v);
}

TEST_F(RegistryTest, ValuesRoundTripThroughTheFileWithoutRegardToCaseWithinTheReadLimit)
{
    const fs::path file = mDir / "sub" / "registry";
    Registry registry(file);
    EXPECT_FALSE(registry.GetValue(kKey, "", 2048)); // no file yet

    const std::string awkward = "C:\\dir \"quoted\"\nsecond line\r=@[x]";
    ASSERT_TRUE(registry.SetValue(kKey, "", "/home/me/defaults"));
    ASSERT_TRUE(registry.SetValue(kKey, "QVX Spectrum Analyzer", awkward));
    ASSERT_TRUE(registry.SetValue("Software\\Other", "", "elsewhere"));

    Registry reread(file);
    EXPECT_EQ(reread.GetValue(kKey, "", 2048), "/home/me/defaults");
    EXPECT_EQ(reread.GetValue("software\\CORVANEL SOUND\\default settings", "qvx spectrum analyzer", 2048), awkward);
    EXPECT_EQ(reread.GetValue("Software\\Other", "", 2048), "elsewhere");
    EXPECT_FALSE(reread.GetValue(kKey, "missing", 2048));
    EXPECT_FALSE(reread.GetValue("Software\\Missing", "", 2048));

    ASSERT_TRUE(reread.SetValue(kKey, "", "/changed"));
    EXPECT_EQ(Registry(file).GetValue(kKey, "", 2048), "/changed");
    EXPECT_TRUE(reread.DeleteValue(kKey, "") && !reread.DeleteValue(kKey, "")) << "deleted once";
    EXPECT_FALSE(Registry(file).GetValue(kKey, "", 2048));
    EXPECT_EQ(Registry(file).GetValue(kKey, "QVX Spectrum Analyzer", 2048), awkward);

    // A value that does not fit the read limit reads as missing.
    ASSERT_TRUE(registry.SetValue(kKey, "", std::string(2047, 'd')));
    EXPECT_EQ(registry.GetValue(kKey, "", 2048)->size(), 2047u); // with its NUL, exactly 2048 bytes
    ASSERT_TRUE(registry.SetValue(kKey, "", std::string(2048, 'd')));
    EXPECT_FALSE(registry.GetValue(kKey, "", 2048));
}

TEST_F(RegistryTest, HandWrittenFileWithBrokenLinesKeepsWhatParses)
{
    const fs::path file = mDir / "registry";
    std::ofstream(file) << "garbage before any key\n"
                           "[Software\\Corvanel Sound\\Default Settings]\r\n"
                           "@=\"/good\"\r\n"
                           "\"unterminated=\"x\n"
                           "\"a\"=\"b\" trailing\n"
                           "\"name\"=\"v\\\\w\"\n";
    Registry registry(file);
    EXPECT_EQ(registry.GetValue(kKey, "", 100), "/good");
    EXPECT_EQ(registry.GetValue(kKey, "name", 100), "v\\w");
    EXPECT_FALSE(registry.GetValue(kKey, "a", 100));
    EXPECT_FALSE(registry.SetValue("bad]key", "", "x"));
}

using DefaultSettingsFilesTest = TestFiles::TempDirTest;
using TestFiles::ReadFile;

TEST_F(DefaultSettingsFilesTest, SaveCreatesTheDirectoryAndLoadReadsTheWholeFile)
{
    Registry registry(mDir / "registry");
    const fs::path directory = mDir / "Defaults";
    ASSERT_TRUE(registry.SetValue(kKey, "", directory.string()));

    std::string text;
    EXPECT_FALSE(Platform::LoadDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", text));

    std::string settings = "<obj_archive>\n";
    settings += std::string(100000, 'x');
    settings.push_back('\0'); // binary content survives
    settings += "tail";
    ASSERT_TRUE(Platform::SaveDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", settings));
    const fs::path file = directory / "QVX Spectrum Analyzer.default";
    EXPECT_EQ(ReadFile(file), settings);
    EXPECT_EQ(Platform::DefaultSettingsFilePath(registry, kKey, "QVX Spectrum Analyzer"), file);
    ASSERT_TRUE(Platform::LoadDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", text));
    EXPECT_EQ(text, settings);

    // A shorter save replaces the file whole; no temporary file stays behind.
    ASSERT_TRUE(Platform::SaveDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", "short"));
    EXPECT_EQ(ReadFile(file), "short");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);

    // An empty file reads as an empty text.
    ASSERT_TRUE(Platform::SaveDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", ""));
    text = "stale";
    ASSERT_TRUE(Platform::LoadDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", text));
    EXPECT_EQ(text, "");
}

// Without a stored directory the user's configuration directory serves (tested
// with the process adaptor); with no usable directory at all both fail and
// nothing is created.
TEST_F(DefaultSettingsFilesTest, FailedSaveKeepsThePreviousDefaultsAndNoDirectoryMeansNoDefaults)
{
    Registry registry(mDir / "registry");
    std::string text = "untouched";
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative");
        ScopedEnv home("HOME", nullptr);
        EXPECT_FALSE(Platform::LoadDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", text));
        EXPECT_FALSE(Platform::SaveDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", "x"));
        EXPECT_EQ(text, "untouched");
        EXPECT_FALSE(fs::exists("relative"));
    }
    // Only DIR itself is created: a missing parent makes the save fail.
    ASSERT_TRUE(registry.SetValue(kKey, "", (mDir / "missing" / "Defaults").string()));
    EXPECT_FALSE(Platform::SaveDefaultSettingsFile(registry, kKey, "QVX Spectrum Analyzer", "x"));
    EXPECT_FALSE(fs::exists(mDir / "missing"));

    // A directory where the file should be cannot be replaced by a save nor read.
    const fs::path directory = mDir / "Defaults";
    ASSERT_TRUE(registry.SetValue(kKey, "", directory.string()));
    ASSERT_TRUE(Platform::SaveDefaultSettingsFile(registry, kKey, "Kept", "previous"));
    fs::create_directories(directory / "Blocked.default");
    EXPECT_FALSE(Platform::LoadDefaultSettingsFile(registry, kKey, "Blocked", text));
    EXPECT_FALSE(Platform::SaveDefaultSettingsFile(registry, kKey, "Blocked", "new"));
    EXPECT_TRUE(Platform::LoadDefaultSettingsFile(registry, kKey, "Kept", text));
    EXPECT_EQ(text, "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 2);
}

} // namespace
