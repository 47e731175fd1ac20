#pragma once
// Breaking text into the lines of a rectangle, as the platform's word-wrapping
// text box does: lines break between words at the last word that still fits;
// a line feed (or CR LF) ends a line; the spaces where a
// line breaks are dropped; a word wider than the whole line stands on a line
// of its own, cut to the longest beginning that fits with "..." after it.
//
// Threads: any (pure function).

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

struct TextLine
{
    std::string_view text; // part of the wrapped text
    bool ellipsis = false; // "..." follows text
};

inline constexpr std::string_view kEllipsis = "...";

// measure gives the width in pixels of a piece of text.
std::vector<TextLine> WrapText(std::string_view text, std::int32_t width,
                               const std::function<std::int32_t(std::string_view)>& measure);
