#include "gui/Pictures.h"

#include "gui/PngImage.h"

#include <map>
#include <mutex>

std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t resourceId)
{
    static std::mutex lock;
    // A failed decode is remembered too (as null), so it is not retried on every paint.
    static std::map<std::int32_t, std::shared_ptr<const PixelBuffer>> pictures;
    std::lock_guard<std::mutex> hold(lock);
    const auto known = pictures.find(resourceId);
    if (known != pictures.end())
        return known->second;
    std::shared_ptr<const PixelBuffer> picture;
    auto decoded = std::make_shared<PixelBuffer>();
    if (PngImage::DecodeResource(resourceId, *decoded))
        picture = std::move(decoded);
    pictures.emplace(resourceId, picture);
    return picture;
}
