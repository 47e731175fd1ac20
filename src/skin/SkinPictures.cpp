#include "skin/SkinPictures.h"

#include "base/Exceptions.h"
#include "gui/PngImage.h"
#include "skin/SkinPictureData.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <new>

namespace Skin
{

namespace
{
std::span<const Generated::Picture> Pictures()
{
    return {Generated::kPictures, Generated::kPictureCount};
}
} // namespace

std::span<const std::uint8_t> FindPictureData(std::int32_t id)
{
    const auto pictures = Pictures();
    const auto at = std::lower_bound(pictures.begin(), pictures.end(), id,
                                     [](const Generated::Picture& picture, std::int32_t key)
                                     { return picture.id < key; });
    if (at == pictures.end() || at->id != id)
        return {};
    return {at->data, at->size};
}

std::vector<std::int32_t> GetPictureIds()
{
    std::vector<std::int32_t> ids;
    for (const Generated::Picture& picture : Pictures())
        ids.push_back(picture.id);
    return ids;
}

std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t id)
{
    static std::mutex lock;
    // A failed decode is remembered too, so it is not retried on every panel.
    static std::map<std::int32_t, std::shared_ptr<const PixelBuffer>> pictures;
    std::lock_guard<std::mutex> hold(lock);
    const auto known = pictures.find(id);
    if (known != pictures.end())
        return known->second;
    std::shared_ptr<const PixelBuffer> picture;
    const std::span<const std::uint8_t> bytes = FindPictureData(id);
    auto decoded = std::make_shared<PixelBuffer>();
    if (!bytes.empty() && PngImage::Decode(bytes, *decoded))
        picture = std::move(decoded);
    pictures.emplace(id, picture);
    return picture;
}

std::unique_ptr<OGWorld> MakeWorld(std::int32_t id)
{
    const std::shared_ptr<const PixelBuffer> picture = FindPicture(id);
    if (!picture)
        throw AppFrame::ResAlloc();
    try
    {
        return std::make_unique<OGWorld>(*picture);
    }
    catch (const std::bad_alloc&)
    {
        throw AppFrame::ResAlloc();
    }
}

} // namespace Skin
