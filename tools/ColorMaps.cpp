// Draws picture 5901, the spectrogram's sixteen colour maps, and writes it as
// a PNG: 32 x 200 pixels, map k in pixel columns 2k and 2k + 1 (the same
// colour twice), row 0 the loudest level, row 199 the quietest.
//
// A spectrogram is read by its lightness: loud must look bright (or, for the
// inverted grey, dark) at a glance, and equal steps in level should look like
// equal steps. So most maps here rise in lightness from the quiet end to the
// loud end, and they stay readable for viewers with a colour-vision
// deficiency, who see lightness as everyone does. The exceptions, turbo and
// the classic rainbow, are here because people know them from other tools.
//
//   k  name            source                                          lightness
//   0  viridis         published table (ColorMapTables.h)               rising
//   1  magma           published table                                  rising
//   2  inferno         published table; the default and our advice      rising
//   3  plasma          published table                                  rising
//   4  cividis         published table; made for red-green deficiency   rising
//   5  grey            black to white, even steps in sRGB               rising
//   6  inverted grey   white to black (loud is dark, as on paper)       falling
//   7  turbo           published table                                  up and down
//   8  fire            ours, after the classic "hot" map                rising
//   9  ice             ours                                             rising
//  10  green phosphor  ours, after a P1 oscilloscope screen             rising
//  11  amber phosphor  ours, after a P3 terminal screen                 rising
//  12  rainbow         MATLAB's "jet", from its segment definition      up and down
//  13  cubehelix       D. A. Green's formula, his default parameters    rising
//  14  dusk            ours, a path through CIELAB                      rising
//  15  banded          ours, 10 dB bands                                rising
//
// The published tables are sampled at 200 evenly spaced positions (row r at
// table position (199 - r) x 255 / 199), linearly between neighbouring
// entries, and rounded to 8 bits.
//
// Run by hand after changing a map; the build embeds the file it finds.
//
//   quarvix-colour-maps [OUTPUT_DIR]   (default: the source tree's pictures folder)

#include "ColorMapTables.h"
#include "editor/QVXColorMaps.h"
#include "gui/PngImage.h"
#include "resources/ResourceTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <numbers>
#include <string>

namespace
{

// sRGB, each component 0 to 1.
struct Rgb
{
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

constexpr int kRows = kColorMapRowCount;

// 0 at the quietest row (199), 1 at the loudest (0).
double Position(int row)
{
    return static_cast<double>(kRows - 1 - row) / (kRows - 1);
}

Rgb Mix(const Rgb& a, const Rgb& b, double f)
{
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

Rgb FromTable(const float (&table)[256][3], int row)
{
    const double p = Position(row) * 255.0;
    const int i = std::min(static_cast<int>(p), 255);
    const int j = std::min(i + 1, 255);
    const Rgb a{table[i][0], table[i][1], table[i][2]};
    const Rgb b{table[j][0], table[j][1], table[j][2]};
    return Mix(a, b, p - i);
}

// A path through stops (position 0 ... 1, colour), linear between them.
struct Stop
{
    double at;
    Rgb color;
};

Rgb Along(std::initializer_list<Stop> stops, double t)
{
    const Stop* s = stops.begin();
    while (s + 2 != stops.end() && t > (s + 1)->at)
        ++s;
    return Mix(s->color, (s + 1)->color, (t - s->at) / ((s + 1)->at - s->at));
}

// One component of a segment-defined map: (x, y) pairs, linear between them.
double Segments(std::initializer_list<std::array<double, 2>> points, double t)
{
    const auto* p = points.begin();
    while (p + 2 != points.end() && t > (*(p + 1))[0])
        ++p;
    const auto& a = *p;
    const auto& b = *(p + 1);
    return a[1] + (b[1] - a[1]) * (t - a[0]) / (b[0] - a[0]);
}

// CIE L*a*b* (D65) to sRGB, out-of-gamut components clipped.
Rgb FromLab(double lightness, double a, double b)
{
    const double fy = (lightness + 16.0) / 116.0;
    const double fx = fy + a / 500.0;
    const double fz = fy - b / 200.0;
    constexpr double delta = 6.0 / 29.0;
    const auto inverse = [](double f)
    { return f > delta ? f * f * f : 3.0 * delta * delta * (f - 4.0 / 29.0); };
    const double x = 0.95047 * inverse(fx);
    const double y = inverse(fy);
    const double z = 1.08883 * inverse(fz);
    const auto encode = [](double c)
    {
        c = std::clamp(c, 0.0, 1.0);
        return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    };
    return {encode(3.2404542 * x - 1.5371385 * y - 0.4985314 * z),
            encode(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z),
            encode(0.0556434 * x - 0.2040259 * y + 1.0572252 * z)};
}

// Lightness, chroma and hue (degrees) to sRGB.
Rgb FromLch(double lightness, double chroma, double hueDegrees)
{
    const double h = hueDegrees * std::numbers::pi / 180.0;
    return FromLab(lightness, chroma * std::cos(h), chroma * std::sin(h));
}

// D. A. Green, "A colour scheme for the display of astronomical intensity
// images", Bulletin of the Astronomical Society of India 39, 289 (2011):
// a grey ramp with a colour wound round it in the plane of constant
// perceived brightness (0.30 R + 0.59 G + 0.11 B), so brightness rises
// steadily and the map prints as a clean grey ramp. Start colour 0.5
// (purple), -1.5 rotations (B, G, R, B), hue 1, gamma 1: his defaults.
Rgb Cubehelix(double lambda)
{
    constexpr double start = 0.5;
    constexpr double rotations = -1.5;
    constexpr double hue = 1.0;
    const double phi = 2.0 * std::numbers::pi * (start / 3.0 + 1.0 + rotations * lambda);
    const double amplitude = hue * lambda * (1.0 - lambda) / 2.0;
    const double c = std::cos(phi);
    const double s = std::sin(phi);
    return {lambda + amplitude * (-0.14861 * c + 1.78277 * s),
            lambda + amplitude * (-0.29227 * c - 0.90649 * s), lambda + amplitude * (1.97294 * c)};
}

Rgb MapColor(int map, int row)
{
    const double t = Position(row);
    switch (map)
    {
    case 0:
        return FromTable(ColorMapTables::kViridis, row);
    case 1:
        return FromTable(ColorMapTables::kMagma, row);
    case 2:
        return FromTable(ColorMapTables::kInferno, row);
    case 3:
        return FromTable(ColorMapTables::kPlasma, row);
    case 4:
        return FromTable(ColorMapTables::kCividis, row);
    case 5:
        return {t, t, t};
    case 6:
        return {1.0 - t, 1.0 - t, 1.0 - t};
    case 7:
        return FromTable(ColorMapTables::kTurbo, row);
    case 8:
        // Black, red, yellow, white: red rises first, then green, then blue,
        // so every component only grows and lightness never dips.
        return Along({{0.0, {0, 0, 0}}, {0.375, {1, 0, 0}}, {0.75, {1, 1, 0}}, {1.0, {1, 1, 1}}},
                     t);
    case 9:
        // Black, deep blue, cyan, white; components only grow.
        return Along({{0.0, {0, 0, 0}},
                      {0.375, {0.05, 0.15, 0.80}},
                      {0.75, {0.10, 0.85, 1.0}},
                      {1.0, {1, 1, 1}}},
                     t);
    case 10:
        // The green of a P1 screen, burning to white at the loudest.
        return Along({{0.0, {0, 0, 0}},
                      {0.45, {0.02, 0.42, 0.10}},
                      {0.85, {0.30, 1.00, 0.40}},
                      {1.0, {0.88, 1.00, 0.88}}},
                     t);
    case 11:
        // The amber of a P3 screen; also the skin's accent colour family.
        return Along({{0.0, {0, 0, 0}},
                      {0.45, {0.45, 0.20, 0.00}},
                      {0.85, {1.00, 0.72, 0.05}},
                      {1.0, {1.00, 0.96, 0.82}}},
                     t);
    case 12:
        // MATLAB's jet, component by component from its segment definition
        // (as tabulated in matplotlib, lib/matplotlib/_cm.py): dark blue,
        // blue, cyan, yellow, red, dark red.
        return {
            Segments({{0.0, 0.0}, {0.35, 0.0}, {0.66, 1.0}, {0.89, 1.0}, {1.0, 0.5}}, t),
            Segments({{0.0, 0.0}, {0.125, 0.0}, {0.375, 1.0}, {0.64, 1.0}, {0.91, 0.0}, {1.0, 0.0}},
                     t),
            Segments({{0.0, 0.5}, {0.11, 1.0}, {0.34, 1.0}, {0.65, 0.0}, {1.0, 0.0}}, t)};
    case 13:
        return Cubehelix(t);
    case 14:
    {
        // Night blue through rose to gold and white. Lightness rises almost
        // evenly (0, 32, 62, 82, 99 at the stops), and the hues run along
        // the blue-yellow axis that red-green deficient viewers keep.
        struct Lch
        {
            double at, l, c, h;
        };
        static constexpr Lch stops[] = {{0.0, 0, 0, 280},
                                        {0.35, 32, 45, 285},
                                        {0.65, 62, 38, 345},
                                        {0.85, 82, 60, 440},
                                        {1.0, 99, 10, 440}};
        std::size_t i = 0;
        while (i + 2 < std::size(stops) && t > stops[i + 1].at)
            ++i;
        const Lch& a = stops[i];
        const Lch& b = stops[i + 1];
        const double f = (t - a.at) / (b.at - a.at);
        return FromLch(a.l + (b.l - a.l) * f, a.c + (b.c - a.c) * f, a.h + (b.h - a.h) * f);
    }
    case 15:
    {
        // Lightness rises evenly from near black to near white while the hue
        // alternates between blue and orange every 20 rows, so every 10 dB
        // band reads as a contour that can be matched against the legend.
        // Blue and orange stay apart for every common deficiency. Chroma is
        // held low enough near black and white that no component clips,
        // which would bend the lightness.
        const double lightness = 5.0 + 91.0 * t;
        const double hue = (row / 20) % 2 == 0 ? 255.0 : 65.0;
        const double chroma = std::min(40.0, 0.7 * lightness) * (1.0 - std::pow(t, 4.0));
        return FromLch(lightness, chroma, hue);
    }
    default:
        return {};
    }
}

std::uint32_t ToPixelValue(const Rgb& c)
{
    const auto byte = [](double v)
    { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : QUARVIX_PICTURE_DIR;
    PixelBuffer pixels;
    if (!pixels.Allocate(2 * kColorMapCount, kRows))
        return 1;
    for (int map = 0; map < kColorMapCount; ++map)
    {
        for (int row = 0; row < kRows; ++row)
        {
            const std::uint32_t pixel = ToPixelValue(MapColor(map, row));
            pixels.At(2 * map, row) = pixel;
            pixels.At(2 * map + 1, row) = pixel;
        }
    }
    const std::filesystem::path file =
        folder / (std::to_string(Resources::kColorMapPicture) + "-colour-maps.png");
    std::string error;
    if (!PngImage::Write(file, pixels, &error))
    {
        std::fprintf(stderr, "quarvix-colour-maps: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", file.c_str());
    for (int map = 0; map < kColorMapCount; ++map)
        std::printf("  %2d  %s\n", map,
                    std::string(kColorMapNames[static_cast<std::size_t>(map)]).c_str());
    return 0;
}
