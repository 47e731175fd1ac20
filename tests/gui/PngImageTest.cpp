// PNG pictures: round trips of colour and one-bit buffers, the embedded
// resources, and every failure reported.

#include "RasterTestSupport.h"

#include "gui/PngImage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <tuple>

namespace
{

using namespace RasterTest;
using PngImageTest = TestFiles::TempDirTest;

PixelBuffer Pattern(std::int32_t width, std::int32_t height, bool oneBit)
{
    PixelBuffer pixels;
    EXPECT_TRUE(pixels.Allocate(width, height, oneBit));
    std::uint32_t value = 0x13579B;
    for (std::uint32_t& pixel : pixels.pixels)
    {
        value = value * 1103515245u + 12345u;
        pixel = oneBit ? (value >> 16) & 1u : (value >> 4) & 0xFFFFFFu;
    }
    return pixels;
}

std::span<const std::uint8_t> Span(const std::string& bytes, std::size_t size)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), size};
}

void ExpectSame(const PixelBuffer& a, const PixelBuffer& b)
{
    EXPECT_EQ(std::tie(a.width, a.height, a.oneBit, a.pixels), std::tie(b.width, b.height, b.oneBit, b.pixels));
}

// (The test pictures' pixels are pinned where they are drawn, the font by the text tests.)
TEST_F(PngImageTest, BuffersComeBackIdenticalEmbeddedPicturesDecodeAndFailuresLeaveTargetsAsTheyWere)
{
    for (const bool oneBit : {false, true})
    {
        // 13 wide: one-bit rows that do not end on a byte.
        const PixelBuffer original = Pattern(13, 5, oneBit);
        const std::filesystem::path file = mDir / (oneBit ? "mono.png" : "colour.png");
        std::string error;
        ASSERT_TRUE(PngImage::Write(file, original, &error)) << error;
        PixelBuffer back;
        ASSERT_TRUE(PngImage::Read(file, back, &error)) << error;
        ExpectSame(back, original);
    }
    // A snapshot of a context is its whole buffer.
    OGWorld world(Resources::kTestColourPicture);
    ASSERT_TRUE(PngImage::Write(mDir / "snapshot.png", world));
    PixelBuffer back;
    ASSERT_TRUE(PngImage::Read(mDir / "snapshot.png", back));
    ExpectSame(back, world.GetPixels());
    // Black and white alone do not make an 8-bit picture one-bit.
    PixelBuffer blackAndWhite;
    blackAndWhite.Allocate(2, 1);
    blackAndWhite.pixels = {kBlack, kWhite};
    std::string bytes;
    ASSERT_TRUE(PngImage::Encode(blackAndWhite, bytes));
    ASSERT_TRUE(PngImage::Decode(Span(bytes, bytes.size()), back));
    ExpectSame(back, blackAndWhite);

    // The embedded resources: listed in order, the error frame's pictures
    // 260 x 100, a missing one reported by its number.
    const std::vector<std::int32_t> ids = Resources::GetResourceIds();
    EXPECT_TRUE(std::ranges::is_sorted(ids) && std::ranges::includes(ids, std::vector{8000, 8001, 9900, 9901}));
    PixelBuffer picture;
    for (const std::int32_t id : {Resources::kErrorFrameInfoPicture, Resources::kErrorFrameAlertPicture})
    {
        ASSERT_TRUE(PngImage::DecodeResource(id, picture));
        EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(260, 100));
    }
    std::string error;
    EXPECT_FALSE(PngImage::DecodeResource(7999, picture, &error));
    EXPECT_NE(error.find("7999"), std::string::npos);

    // Failures are reported and leave their targets as they were.
    const PixelBuffer original = Pattern(4, 4, false);
    // Each failure says why.
    error.clear();
    const auto fails = [&error](bool ok)
    {
        const bool failed = !ok && !error.empty();
        error.clear();
        return failed;
    };
    // Writing: a folder that does not exist, a folder in the way, nothing to write.
    EXPECT_TRUE(fails(PngImage::Write(mDir / "missing" / "x.png", original, &error)));
    std::filesystem::create_directory(mDir / "folder.png");
    EXPECT_TRUE(fails(PngImage::Write(mDir / "folder.png", original, &error)));
    EXPECT_TRUE(std::filesystem::is_directory(mDir / "folder.png"));
    EXPECT_TRUE(fails(PngImage::Write(mDir / "empty.png", PixelBuffer{}, &error)));
    EXPECT_FALSE(std::filesystem::exists(mDir / "empty.png"));
    OGWorld detached(Rect{0, 0, 2, 2});
    detached.SetBuffer(nullptr);
    EXPECT_FALSE(PngImage::Write(mDir / "detached.png", detached));

    // Reading: no file, not a PNG, a PNG cut short, a picture too large.
    PixelBuffer image = original;
    EXPECT_TRUE(fails(PngImage::Read(mDir / "none.png", image, &error)));
    TestFiles::WriteFile(mDir / "text.png", "not a picture at all");
    EXPECT_TRUE(fails(PngImage::Read(mDir / "text.png", image, &error)));
    ASSERT_TRUE(PngImage::Encode(Pattern(40, 40, false), bytes));
    EXPECT_TRUE(fails(PngImage::Decode(Span(bytes, bytes.size() / 2), image, &error)));
    PixelBuffer wide;
    wide.width = PixelBuffer::kMaxSide + 1;
    wide.height = 1;
    wide.pixels.assign(static_cast<std::size_t>(wide.width), kWhite);
    ASSERT_TRUE(PngImage::Encode(wide, bytes));
    EXPECT_FALSE(PngImage::Decode(Span(bytes, bytes.size()), image, &error));
    EXPECT_NE(error.find("too large"), std::string::npos);
    ExpectSame(image, original);
}

} // namespace
