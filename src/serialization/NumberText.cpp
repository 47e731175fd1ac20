#include "serialization/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace Serialization
{

namespace
{

bool IsSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsHexDigit(char c) noexcept
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// White space and at most one sign, as the C library's conversions skip them.
const char* SkipSpaceAndSign(const char* p, const char* last, bool& negative) noexcept
{
    while (p != last && IsSpace(*p))
        ++p;
    negative = false;
    if (p != last && (*p == '+' || *p == '-'))
    {
        negative = *p == '-';
        ++p;
    }
    return p;
}

// "0x" or "0X" followed by what a hexadecimal number may begin with.
bool IsHexPrefix(const char* p, const char* last, bool allowPoint) noexcept
{
    if (last - p < 3 || p[0] != '0' || (p[1] != 'x' && p[1] != 'X'))
        return false;
    if (IsHexDigit(p[2]))
        return true;
    return allowPoint && p[2] == '.' && last - p >= 4 && IsHexDigit(p[3]);
}

struct IntegerScan
{
    bool found = false;
    bool negative = false;
    bool overflow = false;
    std::uint64_t magnitude = 0;
    const char* end = nullptr;
};

IntegerScan ScanInteger(const char* first, const char* last, int base) noexcept
{
    IntegerScan scan;
    scan.end = first;
    const char* p = SkipSpaceAndSign(first, last, scan.negative);
    if ((base == 0 || base == 16) && IsHexPrefix(p, last, false))
    {
        p += 2;
        base = 16;
    }
    else if (base == 0)
    {
        base = p != last && *p == '0' ? 8 : 10;
    }
    if (p == last || *p == '+' || *p == '-')
        return scan;
    const auto result = std::from_chars(p, last, scan.magnitude, base);
    if (result.ec == std::errc::invalid_argument)
        return scan;
    scan.found = true;
    scan.overflow = result.ec == std::errc::result_out_of_range;
    scan.end = result.ptr;
    return scan;
}

// Whether a number text that does not fit a double is too large (rather than
// too small): the position of its leading digit plus its exponent.
bool IsTooLarge(const char* p, const char* last, bool hex) noexcept
{
    const auto isDigit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
    long long position = 0; // of the leading digit, in digits left of the point
    bool leading = true;
    for (; p != last && isDigit(*p); ++p)
    {
        if (leading && *p == '0')
            continue;
        leading = false;
        ++position;
    }
    if (p != last && *p == '.')
    {
        for (++p; p != last && isDigit(*p); ++p)
        {
            if (!leading)
                continue;
            if (*p != '0')
                leading = false;
            else
                --position;
        }
    }
    long long exponent = 0;
    if (p != last && (hex ? (*p == 'p' || *p == 'P') : (*p == 'e' || *p == 'E')))
    {
        bool negative = false;
        ++p;
        if (p != last && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        for (; p != last && IsDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1'000'000'000LL);
        if (negative)
            exponent = -exponent;
    }
    return (hex ? 4 * position : position) + exponent > 0;
}

// from_chars, with what strtod gives where the value does not fit; null when
// there is no number.
const char* RealFromChars(const char* p, const char* last, double& value, std::chars_format format) noexcept
{
    const auto result = std::from_chars(p, last, value, format);
    if (result.ec == std::errc::invalid_argument)
        return nullptr;
    if (result.ec == std::errc::result_out_of_range)
        value = IsTooLarge(p, last, format == std::chars_format::hex) ? std::numeric_limits<double>::infinity() : 0.0;
    return result.ptr;
}

} // namespace

std::int64_t ParseIntegerText(const char* first, const char* last, int base, const char** end) noexcept
{
    const IntegerScan scan = ScanInteger(first, last, base);
    if (end != nullptr)
        *end = scan.end;
    if (!scan.found)
        return 0;
    constexpr std::uint64_t kMostNegative = std::uint64_t{1} << 63;
    if (scan.negative)
    {
        if (scan.overflow || scan.magnitude >= kMostNegative)
            return std::numeric_limits<std::int64_t>::min();
        return -static_cast<std::int64_t>(scan.magnitude);
    }
    if (scan.overflow || scan.magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(scan.magnitude);
}

std::uint64_t ParseUnsignedText(const char* first, const char* last, int base, const char** end) noexcept
{
    const IntegerScan scan = ScanInteger(first, last, base);
    if (end != nullptr)
        *end = scan.end;
    if (!scan.found)
        return 0;
    if (scan.overflow)
        return std::numeric_limits<std::uint64_t>::max();
    return scan.negative ? 0 - scan.magnitude : scan.magnitude;
}

double ParseRealText(const char* first, const char* last, const char** end) noexcept
{
    bool negative = false;
    const char* p = SkipSpaceAndSign(first, last, negative);
    double value = 0.0;
    const char* stop = nullptr;
    // from_chars takes a minus sign of its own: a second sign is no number.
    if (p != last && *p != '+' && *p != '-')
    {
        if (IsHexPrefix(p, last, true))
            stop = RealFromChars(p + 2, last, value, std::chars_format::hex);
        if (stop == nullptr)
            stop = RealFromChars(p, last, value, std::chars_format::general);
    }
    if (end != nullptr)
        *end = stop != nullptr ? stop : first;
    if (stop == nullptr)
        return 0.0;
    return negative ? -value : value;
}

float ToFloatSaturating(double value) noexcept
{
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (value > kLargest)
        return std::numeric_limits<float>::infinity();
    if (value < -kLargest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

FormattedNumber FormattedNumber::Integer(std::int64_t value) noexcept
{
    FormattedNumber number;
    const auto result = std::to_chars(number.mText, number.mText + sizeof number.mText, value);
    number.mLength = static_cast<std::size_t>(result.ptr - number.mText);
    return number;
}

FormattedNumber FormattedNumber::Unsigned(std::uint64_t value) noexcept
{
    FormattedNumber number;
    const auto result = std::to_chars(number.mText, number.mText + sizeof number.mText, value);
    number.mLength = static_cast<std::size_t>(result.ptr - number.mText);
    return number;
}

FormattedNumber FormattedNumber::Fixed(double value, int decimals) noexcept
{
    FormattedNumber number;
    // Enough room for every double at up to 60 decimals.
    const auto result = std::to_chars(number.mText, number.mText + sizeof number.mText, value,
                                      std::chars_format::fixed, std::clamp(decimals, 0, 60));
    number.mLength = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - number.mText) : 0;
    return number;
}

FormattedNumber FormattedNumber::General(double value, int significantDigits) noexcept
{
    FormattedNumber number;
    const auto result = std::to_chars(number.mText, number.mText + sizeof number.mText, value,
                                      std::chars_format::general, std::clamp(significantDigits, 0, 60));
    number.mLength = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - number.mText) : 0;
    return number;
}

} // namespace Serialization
