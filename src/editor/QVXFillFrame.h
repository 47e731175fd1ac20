#pragma once
// A plain coloured area with a one-pixel border: the analyzer panel lays two
// of them behind groups of its controls. The whole frame is filled; the
// border runs round the frame inset by four margins of its own, so a border
// can sit inside the fill or, with insets of 0, on the frame's edge.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "gui/Frame.h"

#include <cstdint>

class QVXFillFrame : public Frame
{
public:
    // How far the border lies inside each edge of the frame, in pixels.
    struct Insets
    {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t right = 0;
        std::int32_t bottom = 0;
    };

    // rect: in the parent's child coordinates.
    QVXFillFrame(Frame* parent, const Rect& rect, const CVLCanvas::ColorSpec& fill,
                 const CVLCanvas::ColorSpec& border, const Insets& insets, std::uint32_t flags = 0,
                 std::int32_t id = 0);

    void DrawContent(DrawContext& context, const Rect& rect) override;

    // Both redraw.
    void SetColors(const CVLCanvas::ColorSpec& fill, const CVLCanvas::ColorSpec& border);
    void SetInsets(const Insets& insets);

    const CVLCanvas::ColorSpec& GetFillColor() const { return mFill; }
    const CVLCanvas::ColorSpec& GetBorderColor() const { return mBorder; }
    const Insets& GetInsets() const { return mInsets; }
    // Where the border is drawn, in local coordinates.
    Rect GetBorderRect() const;

private:
    CVLCanvas::ColorSpec mFill;
    CVLCanvas::ColorSpec mBorder;
    Insets mInsets;
};
