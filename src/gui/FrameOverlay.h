#pragma once
// Something drawn over a frame after its own content: the host's parameter
// highlight marks.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "base/Geometry.h"

#include <cstdint>

class DrawContext;
class Frame;

class FrameOverlay
{
public:
    virtual ~FrameOverlay() = default;
    // rect: the update rectangle in the frame's local coordinates.
    virtual void Draw(Frame& frame, DrawContext& context, const Rect& rect) = 0;
    virtual CVLCanvas::ColorSpec GetColor() const = 0;
};

// L-shaped corner marks of two 3-pixel strokes in one of four colours.
class DefaultParameterHighlighter : public FrameOverlay
{
public:
    // Corner styles: 0 all four, 2 top-left, 3 top-right, 4 bottom-left,
    // 5 bottom-right, 6 left pair, 7 right pair, 8 top pair, 9 bottom pair;
    // any other style draws none.
    DefaultParameterHighlighter(std::int32_t colorIndex, std::int32_t corners);

    void Draw(Frame& frame, DrawContext& context, const Rect& rect) override;
    CVLCanvas::ColorSpec GetColor() const override;

    std::int32_t GetColorIndex() const { return mColorIndex; }
    std::int32_t GetCorners() const { return mCorners; }

private:
    std::int32_t mColorIndex = 0;
    std::int32_t mCorners = 0;
};
