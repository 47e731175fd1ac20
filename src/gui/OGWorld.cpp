#include "gui/OGWorld.h"

#include "base/Exceptions.h"
#include "gui/Pictures.h"

#include <new>
#include <utility>

namespace
{

PixelBuffer AllocateFor(const Rect& bounds)
{
    PixelBuffer pixels;
    // Width and height as 64-bit values: right - left may not fit 32 bits.
    const std::int64_t width = static_cast<std::int64_t>(bounds.right) - bounds.left;
    const std::int64_t height = static_cast<std::int64_t>(bounds.bottom) - bounds.top;
    if (width < 0 || height < 0 || width > PixelBuffer::kMaxSide ||
        height > PixelBuffer::kMaxSide ||
        !pixels.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)))
        throw AppFrame::ResAlloc();
    return pixels;
}

} // namespace

OGWorld::OGWorld(const Rect& bounds) : mPixels(AllocateFor(bounds)), mBounds(bounds)
{
    SetBuffer(&mPixels);
}

OGWorld::OGWorld(std::int32_t resourceId)
{
    const std::shared_ptr<const PixelBuffer> picture = FindPicture(resourceId);
    if (!picture)
        throw AppFrame::ResAlloc();
    try
    {
        mPixels = *picture;
    }
    catch (const std::bad_alloc&)
    {
        throw AppFrame::ResAlloc();
    }
    mBounds = {0, 0, mPixels.width, mPixels.height};
    SetBuffer(&mPixels);
}

OGWorld::OGWorld(PixelBuffer pixels) : mPixels(std::move(pixels))
{
    const bool sizeKept = mPixels.width >= 0 && mPixels.height >= 0 &&
                          mPixels.width <= PixelBuffer::kMaxSide &&
                          mPixels.height <= PixelBuffer::kMaxSide &&
                          mPixels.pixels.size() == static_cast<std::size_t>(mPixels.width) *
                                                       static_cast<std::size_t>(mPixels.height);
    if (!sizeKept)
        throw AppFrame::ResAlloc();
    mBounds = {0, 0, mPixels.width, mPixels.height};
    SetBuffer(&mPixels);
}

void OGWorld::Resize(const Rect& bounds)
{
    const std::int64_t width = static_cast<std::int64_t>(bounds.right) - bounds.left;
    const std::int64_t height = static_cast<std::int64_t>(bounds.bottom) - bounds.top;
    if (width == mPixels.width && height == mPixels.height)
        return;
    mPixels = AllocateFor(bounds);
    mBounds = bounds;
    SetBuffer(&mPixels);
}
