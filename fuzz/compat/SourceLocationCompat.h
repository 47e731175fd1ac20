#pragma once
// clang 14 with libstdc++ 12 has no std::source_location: the library's class
// needs __builtin_source_location, which clang gained only in version 15. The
// exception classes record where they were thrown through it, so the fuzz
// build (clang 14) force-includes this header in every C++ file; it supplies
// the class from the builtins clang 14 does have. Other compilers and newer
// clangs get nothing from it.

#include <version>

#if defined(__clang__) && !__has_builtin(__builtin_source_location) && !defined(__cpp_lib_source_location)

#include <cstdint>

namespace std
{

struct source_location
{
    static constexpr source_location current(const char* file = __builtin_FILE(),
                                             const char* function = __builtin_FUNCTION(),
                                             std::uint_least32_t line = __builtin_LINE(),
                                             std::uint_least32_t column = __builtin_COLUMN()) noexcept
    {
        source_location location;
        location.mFile = file;
        location.mFunction = function;
        location.mLine = line;
        location.mColumn = column;
        return location;
    }

    constexpr source_location() noexcept = default;
    constexpr const char* file_name() const noexcept { return mFile; }
    constexpr const char* function_name() const noexcept { return mFunction; }
    constexpr std::uint_least32_t line() const noexcept { return mLine; }
    constexpr std::uint_least32_t column() const noexcept { return mColumn; }

private:
    const char* mFile = "";
    const char* mFunction = "";
    std::uint_least32_t mLine = 0;
    std::uint_least32_t mColumn = 0;
};

} // namespace std

#endif
