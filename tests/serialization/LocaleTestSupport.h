#pragma once
// A decimal-comma locale (de_DE.UTF-8: 0.5 is "0,5", thousands grouped with
// '.') set the two ways hosts set one: the C library's (setlocale, as GTK and
// Qt hosts do) and the global C++ locale. When the system lacks it, it is
// generated once with localedef into the temporary directory, which LOCPATH
// then points at; without localedef the suites skip.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <memory>
#include <string>
#include <unistd.h>

// glibc's newlocale keeps the list it makes of LOCPATH: LeakSanitizer is told.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
    return "leak:__argz_add_sep\n";
}

namespace LocaleTest
{

inline constexpr const char* kDecimalCommaLocale = "de_DE.UTF-8";

inline bool HasDecimalComma()
{
    // Probed with setlocale, which honours LOCPATH; the caller's locale stays.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const bool found = std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr &&
                       std::string(std::localeconv()->decimal_point) == ",";
    std::setlocale(LC_ALL, previous.c_str());
    return found;
}

// Whether the decimal-comma locale can be used, generating it if need be.
inline bool DecimalCommaLocaleAvailable()
{
    static const bool available = [] {
        if (HasDecimalComma())
            return true;
        namespace fs = std::filesystem;
        std::error_code error;
        const fs::path root = fs::temp_directory_path(error) / "quarvix-test-locales";
        const fs::path target = root / kDecimalCommaLocale;
        if (!fs::exists(target / "LC_NUMERIC", error))
        {
            // Built beside its final place and moved there whole, so that test
            // programs running side by side never see half a locale.
            const fs::path partial = root / ("partial-" + std::to_string(::getpid()));
            fs::create_directories(partial, error);
            const std::string command = "localedef -i de_DE -f UTF-8 '" + (partial / kDecimalCommaLocale).string() +
                                        "' >/dev/null 2>&1";
            if (std::system(command.c_str()) == 0)
                fs::rename(partial / kDecimalCommaLocale, target, error);
            fs::remove_all(partial, error);
        }
        ::setenv("LOCPATH", root.c_str(), 1);
        return HasDecimalComma();
    }();
    return available;
}

enum class LocaleKind
{
    CLibrary,  // setlocale(LC_ALL, ...): strtod, printf and their kin
    GlobalCpp, // std::locale::global(...): new streams, and setlocale as well
};

inline std::string LocaleKindName(const ::testing::TestParamInfo<LocaleKind>& info)
{
    return info.param == LocaleKind::CLibrary ? "CLibraryDecimalComma" : "GlobalCppDecimalComma";
}

// Puts the process into the decimal-comma locale for as long as it lives.
class DecimalCommaScope
{
public:
    explicit DecimalCommaScope(LocaleKind kind) : mKind(kind)
    {
        if (kind == LocaleKind::GlobalCpp)
            std::locale::global(std::locale(kDecimalCommaLocale));
        mActive = kind == LocaleKind::GlobalCpp || std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr;
    }
    ~DecimalCommaScope()
    {
        if (mKind == LocaleKind::GlobalCpp)
            std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }
    DecimalCommaScope(const DecimalCommaScope&) = delete;
    bool IsActive() const noexcept { return mActive; }

private:
    LocaleKind mKind;
    bool mActive = false;
};

// Runs each test inside the decimal-comma locale, set the way the parameter
// says; skips when the locale cannot be had.
class DecimalCommaTest : public ::testing::TestWithParam<LocaleKind>
{
protected:
    void SetUp() override
    {
        if (!DecimalCommaLocaleAvailable())
            GTEST_SKIP() << "the locale " << kDecimalCommaLocale
                         << " is not installed and could not be generated (localedef, Debian package locales)";
        mLocale = std::make_unique<DecimalCommaScope>(GetParam());
        ASSERT_TRUE(mLocale->IsActive());
    }
    void TearDown() override { mLocale.reset(); }

private:
    std::unique_ptr<DecimalCommaScope> mLocale;
};

} // namespace LocaleTest

#define QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(Suite)                                                       \
    INSTANTIATE_TEST_SUITE_P(DecimalComma, Suite,                                                           \
                             ::testing::Values(::LocaleTest::LocaleKind::CLibrary,                          \
                                               ::LocaleTest::LocaleKind::GlobalCpp),                        \
                             ::LocaleTest::LocaleKindName)
