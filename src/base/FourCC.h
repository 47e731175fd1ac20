#pragma once
// Four-character codes: message classes, message codes, host parameter ids,
// process types and chunk ids are 32-bit values packed big-endian from four
// characters, so that 'main' reads as 0x6d61696e.

#include <cstdint>
#include <string>

using FourCharCode = std::uint32_t;

constexpr FourCharCode FourCC(const char (&code)[5]) noexcept
{
    return (FourCharCode(static_cast<unsigned char>(code[0])) << 24) |
           (FourCharCode(static_cast<unsigned char>(code[1])) << 16) |
           (FourCharCode(static_cast<unsigned char>(code[2])) << 8) |
           FourCharCode(static_cast<unsigned char>(code[3]));
}

// The same code as the signed 32-bit value that message classes and message
// codes ("what") are carried in.
constexpr std::int32_t FourCCValue(const char (&code)[5]) noexcept
{
    return static_cast<std::int32_t>(FourCC(code));
}

// The four characters of a code, for diagnostics and text files.
inline std::string FourCCText(FourCharCode code)
{
    return std::string{static_cast<char>((code >> 24) & 0xff), static_cast<char>((code >> 16) & 0xff),
                       static_cast<char>((code >> 8) & 0xff), static_cast<char>(code & 0xff)};
}

static_assert(FourCC("main") == 0x6d61696eu);
static_assert(FourCC("cfg ") == 0x63666720u);
