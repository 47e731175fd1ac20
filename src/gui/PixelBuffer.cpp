#include "gui/PixelBuffer.h"

#include <new>

bool PixelBuffer::Allocate(std::int32_t newWidth, std::int32_t newHeight, bool newOneBit) noexcept
{
    if (newWidth < 0 || newHeight < 0 || newWidth > kMaxSide || newHeight > kMaxSide)
        return false;
    try
    {
        std::vector<std::uint32_t> fresh(static_cast<std::size_t>(newWidth) *
                                         static_cast<std::size_t>(newHeight));
        pixels.swap(fresh);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    width = newWidth;
    height = newHeight;
    oneBit = newOneBit;
    return true;
}
