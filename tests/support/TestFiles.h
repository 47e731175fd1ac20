#pragma once
// Shared by the suites that touch files: a fresh directory per test, whole
// files read and written as bytes, and archive texts with their object ids
// masked (ids change with every save; nothing else may). No std::regex: GCC 12
// warns falsely inside it in the optimised sanitizer build.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace TestFiles
{
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every object id replaced by `mask`; with `width` set, only ids of exactly
// that many digits.
inline std::string MaskIds(const std::string& text, const std::string& mask = "#", std::size_t width = 0)
{
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find("id=\""); at != std::string::npos; at = text.find("id=\"", at + 4))
    {
        const std::size_t digits = at + 4;
        const std::size_t end = text.find_first_not_of("0123456789", digits);
        if (end == std::string::npos || end == digits || text[end] != '"' || (width && end - digits != width))
            continue;
        out.append(text, from, digits - from);
        out.append(mask);
        from = end;
    }
    out.append(text, from);
    return out;
}

// An empty directory named after the running test, removed afterwards.
class TempDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
        mDir = std::filesystem::temp_directory_path() / ("quarvix-test-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::filesystem::path mDir;
};
} // namespace TestFiles
