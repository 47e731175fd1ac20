#pragma once
// The bundle suites run against the bundle of this build only: LV2_PATH
// names its folder, and instances read default settings from an empty
// configuration folder of their own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace Lv2BundleTest
{

inline const std::string kMono = "https://corvanel.example/plugins/quarvix#mono";
inline const std::string kStereo = "https://corvanel.example/plugins/quarvix#stereo";

inline std::filesystem::path BundleDir()
{
    return QUARVIX_LV2_BUNDLE_DIR;
}

// An empty folder per test, the environment pointed at it and at the bundle.
class BundleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mDir = std::filesystem::temp_directory_path() /
               ("quarvix-lv2-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" +
                info->name());
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir / "config");
        ::setenv("XDG_CONFIG_HOME", (mDir / "config").c_str(), 1);
        ::setenv("LV2_PATH", BundleDir().parent_path().c_str(), 1);
    }
    void TearDown() override
    {
        if (!HasFailure())
            std::filesystem::remove_all(mDir);
    }

    std::filesystem::path mDir;
};

} // namespace Lv2BundleTest
