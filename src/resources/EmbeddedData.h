#pragma once
// What the build generates from the resource files (EmbedResources.cmake):
// the picture table, sorted by id, and the font. Only ResourceTable.cpp reads it.

#include "resources/ResourceTable.h"

#include <cstddef>
#include <cstdint>

namespace Resources::Embedded
{

using Picture = Resources::EmbeddedPicture;

extern const Picture kPictures[];
extern const std::size_t kPictureCount;
extern const std::uint8_t kFontData[];
extern const std::size_t kFontSize;

} // namespace Resources::Embedded
