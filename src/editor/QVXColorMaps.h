#pragma once
// The spectrogram's sixteen colour maps. Their colours live in picture 5901
// of the resources (drawn by tools/ColorMaps.cpp, which says where each map
// comes from): map k is pixel column 2k, row 0 the loudest level (0 dB) and
// row 199 the quietest (-99.5 dB and below), half a decibel a row. Map 2 is
// the configuration's default and the one we recommend: inferno, uniform in
// lightness from black to a pale yellow and legible with the common
// colour-vision deficiencies.
//
// Threads: any but the real-time one (the picture is decoded once, under the
// picture cache's lock).

#include "base/ColorSpec.h"

#include <array>
#include <cmath>
#include <string_view>

inline constexpr int kColorMapCount = 16;
inline constexpr int kColorMapRowCount = 200;

// One map, row by row: the colour table of a spectrogram channel.
using ColorMapTable = std::array<CVLCanvas::ColorSpec, kColorMapRowCount>;

// In picture order. The generator takes its names from here too.
inline constexpr std::array<std::string_view, kColorMapCount> kColorMapNames{
    "viridis",       "magma",     "inferno", "plasma", "cividis",        "grey",
    "inverted grey", "turbo",     "fire",    "ice",    "green phosphor", "amber phosphor",
    "rainbow",       "cubehelix", "dusk",    "banded"};

// The 200 colours of a map (map clamped to 0 ... 15), components 0 to 255 as
// pixels read back; all black when the picture is missing or too small.
ColorMapTable ColorMapColors(int map);

// The name of a map (map clamped to 0 ... 15).
std::string_view ColorMapName(int map);

// The row of a level in dB: trunc(level x -2), clamped to 0 ... 199, so 0 dB
// is row 0 and -99.5 dB and anything quieter is row 199 (as is a level that
// is not a number: it shows as nothing measured).
inline int ColorIndexOfLevel(float level)
{
    const float scaled = level * -2.0f;
    if (std::isnan(scaled) || scaled >= static_cast<float>(kColorMapRowCount - 1))
        return kColorMapRowCount - 1;
    if (scaled <= 0.0f)
        return 0;
    return static_cast<int>(scaled); // truncates
}
