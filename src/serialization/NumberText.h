#pragma once
// Numbers as settings text, the same in every locale.
//
// A host may set a locale of its own for the whole process (GTK and Qt hosts
// call setlocale(LC_ALL, ""); others install a global C++ locale), and then
// strtod reads "0.5" as 0 and a stream writes 4096 as "4.096". Settings move
// between machines and hosts, so their numbers are read and written here in
// the forms of the "C" locale only, through <charconv>, whatever the process
// has set.
//
// Threads: any; nothing here keeps state or allocates.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string_view>

namespace Serialization
{

// The number at the start of [first, last) as strtol with `base` reads it in
// the "C" locale: leading white space and one sign are taken, base 0 lets a
// "0x" prefix choose 16 and a leading 0 choose 8, values beyond 64 bits
// saturate. `end` receives where the number stopped, or `first` when there
// was none (the result is then 0).
std::int64_t ParseIntegerText(const char* first, const char* last, int base, const char** end = nullptr) noexcept;

// As strtoull: like ParseIntegerText, but a minus sign wraps the value round,
// and values beyond 64 bits give the largest one.
std::uint64_t ParseUnsignedText(const char* first, const char* last, int base,
                                const char** end = nullptr) noexcept;

// As strtod in the "C" locale: decimal and "0x" hexadecimal forms, "inf",
// "infinity" and "nan" in any case; beyond the range of a double, infinity or
// zero with the sign of the text.
double ParseRealText(const char* first, const char* last, const char** end = nullptr) noexcept;

inline std::int64_t ParseIntegerText(std::string_view text, int base) noexcept
{
    return ParseIntegerText(text.data(), text.data() + text.size(), base);
}
inline std::uint64_t ParseUnsignedText(std::string_view text, int base) noexcept
{
    return ParseUnsignedText(text.data(), text.data() + text.size(), base);
}
inline double ParseRealText(std::string_view text) noexcept
{
    return ParseRealText(text.data(), text.data() + text.size());
}

// A double read from text as a float without undefined behaviour: beyond the
// float range it becomes an infinity of its sign; NaN stays NaN.
float ToFloatSaturating(double value) noexcept;

// The text of one number, held in place, as printf in the "C" locale writes it.
class FormattedNumber
{
public:
    // Decimal, with a minus sign when negative.
    static FormattedNumber Integer(std::int64_t value) noexcept;
    static FormattedNumber Unsigned(std::uint64_t value) noexcept;
    // "%.*f": fixed point with this many decimals (at most 60).
    static FormattedNumber Fixed(double value, int decimals) noexcept;
    // "%.*g": this many significant digits (at most 60), trailing zeros dropped.
    static FormattedNumber General(double value, int significantDigits) noexcept;

    std::string_view View() const noexcept { return {mText, mLength}; }

private:
    FormattedNumber() = default;

    // The longest fixed-point double: 309 digits, a sign, a point, decimals.
    char mText[400];
    std::size_t mLength = 0;
};

// Written as plain characters: neither the stream's locale nor its flags change them.
inline std::ostream& operator<<(std::ostream& out, const FormattedNumber& number)
{
    const std::string_view text = number.View();
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace Serialization
