#pragma once
// Golden pictures: what an offscreen editor shows, compared pixel for pixel
// with a reviewed PNG under tests/data/snapshots. Any changed pixel fails,
// and the picture the test saw and a diff (changed pixels red on a dimmed
// copy of the reference) are written to snapshot-diffs/ in the working
// directory for a look. With QUARVIX_UPDATE_SNAPSHOTS=1 the references are
// written instead (review them by eye before committing).

#include "gui/OffscreenEditor.h"
#include "gui/PixelBuffer.h"
#include "gui/PngImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace SnapshotTest
{

inline PixelBuffer Capture(const OffscreenEditor& editor, Rect area)
{
    PixelBuffer image;
    image.Allocate(area.right - area.left, area.bottom - area.top);
    for (std::int32_t y = 0; y < image.height; ++y)
        for (std::int32_t x = 0; x < image.width; ++x)
            image.At(x, y) = ToPixel(editor.GetPixel({area.left + x, area.top + y}));
    return image;
}

inline ::testing::AssertionResult MatchesReference(const OffscreenEditor& editor, Rect area,
                                                   const std::string& name)
{
    const auto reference =
        std::filesystem::path(QUARVIX_TEST_DATA_DIR) / "snapshots" / (name + ".png");
    const PixelBuffer actual = Capture(editor, area);
    std::string error;
    if (const char* update = std::getenv("QUARVIX_UPDATE_SNAPSHOTS"); update && *update == '1')
    {
        std::filesystem::create_directories(reference.parent_path());
        return PngImage::Write(reference, actual, &error)
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "cannot write " << reference << ": " << error;
    }
    PixelBuffer expected;
    if (!PngImage::Read(reference, expected, &error))
        return ::testing::AssertionFailure() << "no reference " << reference << ": " << error;

    std::int64_t changed = 0;
    PixelBuffer diff;
    diff.Allocate(actual.width, actual.height);
    const bool sameSize = expected.width == actual.width && expected.height == actual.height;
    for (std::int32_t y = 0; y < actual.height; ++y)
        for (std::int32_t x = 0; x < actual.width; ++x)
        {
            const bool same = sameSize && expected.At(x, y) == actual.At(x, y);
            changed += same ? 0 : 1;
            diff.At(x, y) = same ? (expected.At(x, y) >> 2) & 0x3F3F3Fu : 0xFF0000u;
        }
    if (changed == 0)
        return ::testing::AssertionSuccess();
    const std::filesystem::path out = std::filesystem::current_path() / "snapshot-diffs";
    std::filesystem::create_directories(out);
    PngImage::Write(out / (name + ".actual.png"), actual);
    PngImage::Write(out / (name + ".diff.png"), diff);
    return ::testing::AssertionFailure()
           << name << ": " << changed << " pixels differ from " << reference
           << (sameSize ? "" : " (the sizes differ)") << "; see " << (out / (name + ".diff.png"));
}

} // namespace SnapshotTest
