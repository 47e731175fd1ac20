#include "editor/QVXColorMaps.h"

#include "gui/Pictures.h"
#include "resources/ResourceTable.h"

#include <algorithm>

ColorMapTable ColorMapColors(int map)
{
    ColorMapTable colors{};
    const int k = std::clamp(map, 0, kColorMapCount - 1);
    const auto picture = FindPicture(Resources::kColorMapPicture);
    // A one-bit or cut-down picture is not the one we draw; better black
    // than colours read from the wrong places.
    if (!picture || picture->oneBit || !picture->Contains(2 * k, kColorMapRowCount - 1))
        return colors;
    for (int row = 0; row < kColorMapRowCount; ++row)
        colors[static_cast<std::size_t>(row)] = FromPixel(picture->At(2 * k, row));
    return colors;
}

std::string_view ColorMapName(int map)
{
    return kColorMapNames[static_cast<std::size_t>(std::clamp(map, 0, kColorMapCount - 1))];
}
