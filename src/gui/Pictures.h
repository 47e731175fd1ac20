#pragma once
// Embedded pictures, decoded once when first asked for and kept for the life
// of the process (skins are drawn on every paint).
//
// Threads: any; one lock guards the cache.

#include "gui/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <span>

// Where a table of embedded PNG bytes is looked up by id.
using PictureLookup = std::span<const std::uint8_t> (*)(std::int32_t id);

// The picture of id in the table `lookup` reads; null when there is no such
// picture or it does not decode.
std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t id, PictureLookup lookup);

// A picture of the module's resource table.
std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t resourceId);
