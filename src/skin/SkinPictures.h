#pragma once
// The skin pictures of the editor's panels, drawn at build time from the
// layout table (src/editor/SkinLayout.h) and compiled into the module:
// Resources::kHeaderPicture (1000), kAnalyzerPanelPicture (2000) and
// kGlobalStripPicture (2200).
//
// Threads: FindPictureData and FindPicture from any thread (one lock guards
// the cache); a world from MakeWorld belongs to the UI thread.

#include "gui/OGWorld.h"
#include "gui/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace Skin
{

// The PNG bytes of a skin picture; empty when there is no such picture.
std::span<const std::uint8_t> FindPictureData(std::int32_t id);

// The ids of every skin picture, ascending.
std::vector<std::int32_t> GetPictureIds();

// Decoded once and kept for the life of the process; null when there is no
// such picture or it does not decode.
std::shared_ptr<const PixelBuffer> FindPicture(std::int32_t id);

// A world holding the picture, for a panel and its children to copy from.
// Raises AppFrame::ResAlloc when there is no such picture.
std::unique_ptr<OGWorld> MakeWorld(std::int32_t id);

} // namespace Skin
