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

std::span<const std::uint8_t> FindInTable(std::span<const EmbeddedPicture> table, std::int32_t id)
{
    const auto at = std::lower_bound(table.begin(), table.end(), id,
                                     [](const EmbeddedPicture& picture, std::int32_t key) { return picture.id < key; });
    if (at == table.end() || at->id != id)
        return {};
    return {at->data, at->size};
}

std::span<const std::uint8_t> FindResource(std::int32_t id)
{
    return FindInTable(Pictures(), id);
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
