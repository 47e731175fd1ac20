#pragma once
// A colour as the drawing code and the configuration share it: three unsigned
// 16-bit components. Devices that draw with 8 bits per component use the low
// byte of each.
//
// Threads: any (plain value).

#include <cstdint>

namespace CVLCanvas
{

struct ColorSpec
{
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;

    friend bool operator==(const ColorSpec&, const ColorSpec&) = default;
};

} // namespace CVLCanvas
