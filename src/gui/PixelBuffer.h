#pragma once
// The pixels a RasterContext draws into: rows top to bottom, each pixel a
// 0x00RRGGBB word, or in a one-bit buffer 0 (black) or 1 (white).
//
// Threads: UI thread (plain data; one owner at a time).

#include "base/ColorSpec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct PixelBuffer
{
    // Largest side of a buffer: 16384 x 16384 words is already 1 GiB.
    static constexpr std::int32_t kMaxSide = 16384;

    std::int32_t width = 0;
    std::int32_t height = 0;
    bool oneBit = false;
    std::vector<std::uint32_t> pixels;

    // Makes a buffer of the size with every pixel 0; false (and the buffer as
    // it was) when a side is negative or beyond kMaxSide, or memory is short.
    bool Allocate(std::int32_t newWidth, std::int32_t newHeight, bool newOneBit = false) noexcept;

    bool IsEmpty() const noexcept { return width <= 0 || height <= 0; }
    bool Contains(std::int64_t x, std::int64_t y) const noexcept
    {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    std::uint32_t& At(std::int32_t x, std::int32_t y) noexcept { return pixels[Index(x, y)]; }
    std::uint32_t At(std::int32_t x, std::int32_t y) const noexcept { return pixels[Index(x, y)]; }
    std::uint32_t* Row(std::int32_t y) noexcept { return pixels.data() + Index(0, y); }
    const std::uint32_t* Row(std::int32_t y) const noexcept { return pixels.data() + Index(0, y); }

private:
    std::size_t Index(std::int32_t x, std::int32_t y) const noexcept
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
};

// A colour as a device with 8 bits per component takes it: the low byte of each component.
constexpr std::uint32_t ToPixel(const CVLCanvas::ColorSpec& color) noexcept
{
    return (static_cast<std::uint32_t>(color.red & 0xFFu) << 16) |
           (static_cast<std::uint32_t>(color.green & 0xFFu) << 8) |
           static_cast<std::uint32_t>(color.blue & 0xFFu);
}

constexpr CVLCanvas::ColorSpec FromPixel(std::uint32_t pixel) noexcept
{
    return {static_cast<std::uint16_t>((pixel >> 16) & 0xFFu),
            static_cast<std::uint16_t>((pixel >> 8) & 0xFFu),
            static_cast<std::uint16_t>(pixel & 0xFFu)};
}
