#pragma once
// Points and rectangles in pixels. A rectangle is (left, top, right, bottom)
// with right and bottom exclusive: width = right - left; one with
// left >= right or top >= bottom is empty and covers no pixel.
//
// Threads: any (plain values).

#include <algorithm>
#include <cstdint>

struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const Rect&, const Rect&) = default;

    std::int32_t Width() const noexcept { return right - left; }
    std::int32_t Height() const noexcept { return bottom - top; }
    bool IsEmpty() const noexcept { return left >= right || top >= bottom; }

    Rect Offset(std::int32_t dx, std::int32_t dy) const noexcept
    {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    // The common part; empty rectangles come out empty (not normalised).
    Rect Intersect(const Rect& other) const noexcept
    {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    bool Intersects(const Rect& other) const noexcept { return !Intersect(other).IsEmpty(); }
    // The pixel at p lies inside (left and top inclusive, right and bottom exclusive).
    bool ContainsPixel(Point p) const noexcept { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};
