#pragma once
// What the build generates (tools/PanelArtwork.cpp): the skin pictures as
// PNG bytes, sorted by id. Only SkinPictures.cpp reads it.

#include "resources/ResourceTable.h"

#include <cstddef>
#include <cstdint>

namespace Skin::Generated
{

using Picture = Resources::EmbeddedPicture;

extern const Picture kPictures[];
extern const std::size_t kPictureCount;

} // namespace Skin::Generated
