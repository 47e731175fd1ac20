#pragma once
// The module's embedded resources: pictures by id, and the text font. Both
// are compiled into the module from the files of this folder (pictures/, one
// PNG per id, named "<id>-<what>.png") and the Liberation Sans font file, so
// nothing is read from disk at run time.
//
// Picture ids:
//   1000        the header strip's skin: background and button images
//   2000        the analyzer panel's skin: background, the frames it places
//               and their button images
//   2200        the global strip's skin
//               (these three are drawn at build time from the editor's layout
//               table, src/editor/SkinLayout.h, and embedded by src/skin/:
//               Skin::FindPicture finds them, FindResource does not)
//   5901        the spectrogram's 16 colour maps (32 x 200): map k is column 2k
//               (column 2k + 1 repeats it), row 0 the loudest level, row 199
//               the quietest; drawn by tools/ColorMaps.cpp
//   8000        background of the in-editor message box, information
//   8001        background of the in-editor message box, warnings and errors
//   9900..9999  small pictures with documented pixels, for the drawing tests
//
// Threads: any (read-only data).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Resources
{

inline constexpr std::int32_t kHeaderPicture = 1000;
inline constexpr std::int32_t kAnalyzerPanelPicture = 2000;
inline constexpr std::int32_t kGlobalStripPicture = 2200;
inline constexpr std::int32_t kColorMapPicture = 5901;
inline constexpr std::int32_t kErrorFrameInfoPicture = 8000;
inline constexpr std::int32_t kErrorFrameAlertPicture = 8001;

// 8 x 4, one bit per pixel: pixel (x, y) of rows 0..2 is 1 (white) where bit y
// of x is set, else 0 (black); row 3 is all 1.
inline constexpr std::int32_t kTestMonoPicture = 9900;
// 4 x 2, colour: row 0 is FF0000, 00FF00, 0000FF, FFFFFF; row 1 is 000000,
// 808080, 123456, FEDCBA.
inline constexpr std::int32_t kTestColourPicture = 9901;
inline constexpr std::int32_t kFirstTestPicture = 9900;
inline constexpr std::int32_t kLastTestPicture = 9999;

// One embedded picture: its id and its PNG bytes.
struct EmbeddedPicture
{
    std::int32_t id;
    const std::uint8_t* data;
    std::size_t size;
};

// The bytes of id in a table sorted by id; empty when it is not there.
std::span<const std::uint8_t> FindInTable(std::span<const EmbeddedPicture> table, std::int32_t id);

// The bytes of picture id (a PNG file); empty when there is no such picture.
std::span<const std::uint8_t> FindResource(std::int32_t id);

// The ids of every embedded picture, ascending.
std::vector<std::int32_t> GetResourceIds();

// The text font, Liberation Sans Regular (TrueType); empty only when the
// module was built without it.
std::span<const std::uint8_t> GetFontData();

} // namespace Resources
