#include "gui/Pictures.h"

#include "gui/PngImage.h"
#include "resources/ResourceTable.h"

#include <map>
#include <mutex>
#include <utility>

std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t id, PictureLookup lookup)
{
    static std::mutex lock;
    // A failed decode is remembered too (as null), so it is not retried on every paint.
    static std::map<std::pair<PictureLookup, std::int32_t>, std::shared_ptr<const PixelBuffer>> pictures;
    std::lock_guard<std::mutex> hold(lock);
    const auto key = std::make_pair(lookup, id);
    const auto known = pictures.find(key);
    if (known != pictures.end())
        return known->second;
    std::shared_ptr<const PixelBuffer> picture;
    const std::span<const std::uint8_t> bytes = lookup ? lookup(id) : std::span<const std::uint8_t>();
    auto decoded = std::make_shared<PixelBuffer>();
    if (!bytes.empty() && PngImage::Decode(bytes, *decoded))
        picture = std::move(decoded);
    pictures.emplace(key, picture);
    return picture;
}

std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t resourceId)
{
    return FindPicture(resourceId, &Resources::FindResource);
}
