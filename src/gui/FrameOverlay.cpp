#include "gui/FrameOverlay.h"

#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace
{
constexpr CVLCanvas::ColorSpec kHighlightColors[4] = {
    {65535, 0, 0}, {18247, 35209, 65278}, {0, 65535, 0}, {65535, 65535, 0}};

enum Corner
{
    kTopLeft = 1,
    kTopRight = 2,
    kBottomLeft = 4,
    kBottomRight = 8
};

int CornersOfStyle(std::int32_t style)
{
    switch (style)
    {
    case 0:
        return kTopLeft | kTopRight | kBottomLeft | kBottomRight;
    case 2:
        return kTopLeft;
    case 3:
        return kTopRight;
    case 4:
        return kBottomLeft;
    case 5:
        return kBottomRight;
    case 6:
        return kTopLeft | kBottomLeft;
    case 7:
        return kTopRight | kBottomRight;
    case 8:
        return kTopLeft | kTopRight;
    case 9:
        return kBottomLeft | kBottomRight;
    default:
        return 0;
    }
}
} // namespace

DefaultParameterHighlighter::DefaultParameterHighlighter(std::int32_t colorIndex, std::int32_t corners)
    : mColorIndex(colorIndex >= 0 && colorIndex <= 3 ? colorIndex : 0), mCorners(corners)
{
}

CVLCanvas::ColorSpec DefaultParameterHighlighter::GetColor() const
{
    return kHighlightColors[mColorIndex];
}

void DefaultParameterHighlighter::Draw(Frame& frame, DrawContext& context, const Rect& /*rect*/)
{
    const int corners = CornersOfStyle(mCorners);
    if (!corners)
        return;
    const std::int32_t r = frame.GetLocalRect().right - 1;
    const std::int32_t b = frame.GetLocalRect().bottom - 1;
    context.SetForeColor(GetColor());
    const auto mark = [&context](Point a, Point corner, Point c) {
        context.MoveTo(a);
        context.LineTo(corner);
        context.LineTo(c);
    };
    if (corners & kTopLeft)
        mark({3, 0}, {0, 0}, {0, 3});
    if (corners & kTopRight)
        mark({r - 3, 0}, {r, 0}, {r, 3});
    if (corners & kBottomLeft)
        mark({0, b - 3}, {0, b}, {3, b});
    if (corners & kBottomRight)
        mark({r - 3, b}, {r, b}, {r, b - 3});
}
