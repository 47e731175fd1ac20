#include "skin/SkinPictures.h"

#include "base/Exceptions.h"
#include "gui/Pictures.h"
#include "resources/ResourceTable.h"
#include "skin/SkinPictureData.h"

#include <algorithm>
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
    return Resources::FindInTable(Pictures(), id);
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
    return ::FindPicture(id, &FindPictureData);
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
