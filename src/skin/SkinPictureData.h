#pragma once
// What the build generates (tools/PanelArtwork.cpp): the skin pictures as
// PNG bytes, sorted by id. Only SkinPictures.cpp reads it.

#include <cstddef>
#include <cstdint>

namespace Skin::Generated
{

struct Picture
{
    std::int32_t id;
    const std::uint8_t* data;
    std::size_t size;
};

extern const Picture kPictures[];
extern const std::size_t kPictureCount;

} // namespace Skin::Generated
