#pragma once
// The pictures of the resource table, decoded once when first asked for and
// kept for the life of the process (skins are drawn on every paint).
//
// Threads: any; one lock guards the cache.

#include "gui/PixelBuffer.h"

#include <cstdint>
#include <memory>

// Null when there is no such picture or it does not decode.
std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t resourceId);
