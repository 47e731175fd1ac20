// The archive's own number conversions against the C library's, in the "C"
// locale, where the two must agree to the last character: value and length
// read, text written.

#include "serialization/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace Serialization;

namespace
{

// The last is a number below the smallest double, written out in full.
const std::vector<std::string> kTexts = {
    "0", "42", " \t\n-17", "+5", "--5", "+-5", "-", "", "x", "0x10", "0X1f", "0x", "0xg", "010", "08", "-0",
    "2147483648", "-2147483649", "9223372036854775807", "9223372036854775808", "-9223372036854775808",
    "-9223372036854775809", "18446744073709551615", "18446744073709551616", "-1", "99999999999999999999999",
    "0.5", "-3.5", ".5", "5.", ".", "1e", "1e+", "1e-3", "-1.25E+2", "1e300", "1e400", "-1e400", "1e-310",
    "1e-400", "-1e-400", "inf", "-INF", "infinity", "Infinit", "nan", "-nan", "NaN(12)", "nan(", "0x1p3", "0x.8p1",
    "-0x1.8P-1", "0x1p99999", "0x1p-99999", "0.5|7", "12abc", "1,5", "0." + std::string(342, '0') + "1"};

} // namespace

TEST(NumberText, ReadsAsTheCLibraryReadsInTheCLocale)
{
    for (const std::string& string : kTexts)
    {
        SCOPED_TRACE("'" + string + "'");
        const char* text = string.c_str();
        const char* last = text + string.size();
        char* libraryEnd = nullptr;
        const char* end = nullptr;
        for (const int base : {0, 10})
        {
            EXPECT_EQ(ParseIntegerText(text, last, base, &end), std::strtoll(text, &libraryEnd, base))
                << "base " << base;
            EXPECT_EQ(end, libraryEnd) << "base " << base;
        }
        EXPECT_EQ(ParseUnsignedText(text, last, 10, &end), std::strtoull(text, &libraryEnd, 10));
        EXPECT_EQ(end, libraryEnd);
        const double real = ParseRealText(text, last, &end), expected = std::strtod(text, &libraryEnd);
        EXPECT_EQ(end, libraryEnd);
        // NaN equals nothing: compared by its bits' meaning, the sign included.
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(real) : real == expected) << real;
        EXPECT_EQ(std::signbit(real), std::signbit(expected));
    }
    // The text need not end with a NUL: nothing past its end is read.
    const char digits[] = {'1', '2', '3'};
    EXPECT_EQ(std::pair(ParseIntegerText(digits, digits + 2, 10), ParseRealText(digits, digits + 1)),
              std::pair(std::int64_t{12}, 1.0));
}

TEST(NumberText, WritesAsPrintfWritesInTheCLocale)
{
    std::mt19937 generator(2026);
    std::vector<double> values{0.0, -0.0, 0.5, -3.5, 1234.5, 4096.0, 1e-7, 123456789.0, 1e300, -1e-300,
                               std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               std::nan("")};
    for (int i = 0; i < 2000; ++i)
    {
        const auto bits = (std::uint64_t{generator()} << 32) | generator();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
        values.push_back(static_cast<double>(static_cast<float>(std::ldexp(double(generator()) / 4294967296.0,
                                                                           int(generator() % 60) - 30))));
    }
    static char fixed[2048], general[64];
    for (const double value : values)
    {
        std::snprintf(fixed, sizeof fixed, "%.16f", value);
        std::snprintf(general, sizeof general, "%.6g", value);
        EXPECT_EQ(std::pair(FormattedNumber::Fixed(value, 16).View(), FormattedNumber::General(value, 6).View()),
                  std::pair(std::string_view(fixed), std::string_view(general)));
    }
    for (const long long value : {0LL, -1LL, 4096LL, -9223372036854775807LL - 1, 9223372036854775807LL})
        EXPECT_EQ(FormattedNumber::Integer(value).View(), std::to_string(value));
    EXPECT_EQ(FormattedNumber::Unsigned(18446744073709551615ULL).View(), "18446744073709551615");
}
