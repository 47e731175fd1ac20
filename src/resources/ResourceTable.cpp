#include "resources/ResourceTable.h"

#include "resources/EmbeddedData.h"

#include <algorithm>

namespace Resources
{

namespace
{
std::span<const Embedded::Picture> Pictures()
{
    return {Embedded::kPictures, Embedded::kPictureCount};
}
} // namespace

std::span<const std::uint8_t> FindResource(std::int32_t id)
{
    const auto pictures = Pictures();
    const auto at = std::lower_bound(pictures.begin(), pictures.end(), id,
                                     [](const Embedded::Picture& picture, std::int32_t key)
                                     { return picture.id < key; });
    if (at == pictures.end() || at->id != id)
        return {};
    return {at->data, at->size};
}

std::vector<std::int32_t> GetResourceIds()
{
    std::vector<std::int32_t> ids;
    for (const Embedded::Picture& picture : Pictures())
        ids.push_back(picture.id);
    return ids;
}

std::span<const std::uint8_t> GetFontData()
{
    return {Embedded::kFontData, Embedded::kFontSize};
}

} // namespace Resources
