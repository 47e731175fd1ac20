#pragma once
// An offscreen RasterContext that owns its pixels: the buffer that buffered
// frames draw into before one copy to the window, and the way pictures of the
// resource table are held for copying from.
//
// Made for a rectangle (its size, every pixel black), from a picture (its
// size and pixels; a one-bit picture gives a one-bit world), or from pixels
// that are already at hand (taken over, bounds at (0, 0)). When the pixels
// cannot be had (a negative size, a side beyond PixelBuffer::kMaxSide, no
// memory, no such picture), the constructor raises AppFrame::ResAlloc.
//
// Threads: UI thread.

#include "gui/RasterContext.h"

#include <cstdint>

class OGWorld : public RasterContext
{
public:
    explicit OGWorld(const Rect& bounds);
    explicit OGWorld(std::int32_t resourceId);
    // Sides beyond PixelBuffer::kMaxSide, or pixels that do not match them,
    // raise AppFrame::ResAlloc.
    explicit OGWorld(PixelBuffer pixels);

    // To a rectangle of another size: new pixels, all black, the old content
    // lost. Of the same size: nothing at all. Raises AppFrame::ResAlloc, with
    // the world as it was, when the new pixels cannot be had.
    void Resize(const Rect& bounds);

    const Rect& GetBounds() const { return mBounds; }
    const PixelBuffer& GetPixels() const { return mPixels; }

private:
    PixelBuffer mPixels;
    Rect mBounds;
};
