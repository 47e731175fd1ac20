#pragma once
// Small pictures as text, for expected pixels written by hand: one character
// per pixel, rows joined by line feeds. '#' black, '.' white, 'r' red, 'g'
// green, 'b' blue, '?' any other colour; in a one-bit buffer '#' is 0 and '.' is 1.

#include "gui/OGWorld.h"
#include "resources/ResourceTable.h"

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

namespace RasterTest
{

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
// The ends of the coordinate range.
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

inline CVLCanvas::ColorSpec Colour(std::uint32_t rgb)
{
    return FromPixel(rgb);
}

// A world of the size filled with the colour, fore colour black, back white.
inline void Fill(OGWorld& world, std::uint32_t rgb)
{
    const CVLCanvas::ColorSpec fore = world.GetForeColor();
    const Point origin = world.GetOrigin();
    world.SetOrigin({});
    world.SetForeColor(Colour(rgb));
    world.PaintRect({0, 0, world.GetPixels().width, world.GetPixels().height});
    world.SetForeColor(fore);
    world.SetOrigin(origin);
}

inline OGWorld& Blank(OGWorld& world)
{
    Fill(world, kWhite);
    return world;
}

// A world of the size, all white.
struct BlankWorld : OGWorld
{
    BlankWorld(std::int32_t width, std::int32_t height) : OGWorld(Rect{0, 0, width, height}) { Blank(*this); }
};

// The colour a context reads at a point.
inline CVLCanvas::ColorSpec Read(OGWorld& world, Point at)
{
    CVLCanvas::ColorSpec colour;
    world.GetPixel(at, colour);
    return colour;
}

inline char Letter(const PixelBuffer& pixels, std::uint32_t pixel)
{
    if (pixels.oneBit)
        return pixel == 0 ? '#' : pixel == 1 ? '.' : '?';
    for (const auto& [rgb, letter] : {std::pair{kBlack, '#'}, {kWhite, '.'}, {kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}})
        if (pixel == rgb)
            return letter;
    return '?';
}

inline std::string Art(const PixelBuffer& pixels)
{
    std::string text;
    for (std::int32_t y = 0; y < pixels.height; ++y)
    {
        text += '\n';
        for (std::int32_t x = 0; x < pixels.width; ++x)
            text += Letter(pixels, pixels.At(x, y));
    }
    return text;
}

inline std::string Art(const OGWorld& world)
{
    return Art(world.GetPixels());
}

inline std::string Rows(std::initializer_list<const char*> rows)
{
    std::string text;
    for (const char* row : rows)
        text += std::string("\n") + row;
    return text;
}

// A picture of one letter throughout.
inline std::string Solid(std::int32_t width, std::int32_t height, char letter)
{
    std::string text;
    for (std::int32_t y = 0; y < height; ++y)
        text += '\n' + std::string(static_cast<std::size_t>(width), letter);
    return text;
}

} // namespace RasterTest
