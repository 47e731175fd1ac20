// PNG pictures: round trips of colour and one-bit buffers, the embedded
// resources, and every failure reported.

#include "RasterTestSupport.h"

#include "gui/PngImage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

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

void ExpectSame(const PixelBuffer& a, const PixelBuffer& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.oneBit, b.oneBit);
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST_F(PngImageTest, ColourAndOneBitBuffersComeBackIdentical)
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
    ASSERT_TRUE(PngImage::Decode(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, back));
    ExpectSame(back, blackAndWhite);
}

TEST_F(PngImageTest, EmbeddedPicturesDecodeToTheirDocumentedPixels)
{
    const std::vector<std::int32_t> ids = Resources::GetResourceIds();
    for (const std::int32_t id : {8000, 8001, 9900, 9901})
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_TRUE(Resources::FindResource(7999).empty());

    PixelBuffer picture;
    ASSERT_TRUE(PngImage::DecodeResource(Resources::kTestMonoPicture, picture));
    EXPECT_TRUE(picture.oneBit);
    EXPECT_EQ(Art(picture), Rows({"#.#.#.#.", "##..##..", "####....", "........"}));
    for (const std::int32_t id :
         {Resources::kErrorFrameInfoPicture, Resources::kErrorFrameAlertPicture})
    {
        ASSERT_TRUE(PngImage::DecodeResource(id, picture));
        EXPECT_EQ(picture.width, 260);
        EXPECT_EQ(picture.height, 100);
    }
    std::string error;
    EXPECT_FALSE(PngImage::DecodeResource(7999, picture, &error));
    EXPECT_NE(error.find("7999"), std::string::npos);

    // The font is a TrueType file.
    const auto font = Resources::GetFontData();
    ASSERT_GT(font.size(), 100000u);
    EXPECT_EQ(font[0], 0x00);
    EXPECT_EQ(font[1], 0x01);
    EXPECT_EQ(font[2], 0x00);
    EXPECT_EQ(font[3], 0x00);
}

TEST_F(PngImageTest, FailuresAreReportedAndLeaveTheirTargetsAsTheyWere)
{
    const PixelBuffer original = Pattern(4, 4, false);
    std::string error;
    // A folder that does not exist, and a folder in the way.
    EXPECT_FALSE(PngImage::Write(mDir / "missing" / "x.png", original, &error));
    EXPECT_FALSE(error.empty());
    std::filesystem::create_directory(mDir / "folder.png");
    error.clear();
    EXPECT_FALSE(PngImage::Write(mDir / "folder.png", original, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(mDir / "folder.png"));
    // Nothing to write.
    error.clear();
    EXPECT_FALSE(PngImage::Write(mDir / "empty.png", PixelBuffer{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(mDir / "empty.png"));
    OGWorld detached(Rect{0, 0, 2, 2});
    detached.SetBuffer(nullptr);
    EXPECT_FALSE(PngImage::Write(mDir / "detached.png", detached, &error));

    // Reading: no file, not a PNG, a PNG cut short, a picture too large.
    PixelBuffer image = original;
    error.clear();
    EXPECT_FALSE(PngImage::Read(mDir / "none.png", image, &error));
    EXPECT_FALSE(error.empty());
    TestFiles::WriteFile(mDir / "text.png", "not a picture at all");
    error.clear();
    EXPECT_FALSE(PngImage::Read(mDir / "text.png", image, &error));
    EXPECT_FALSE(error.empty());
    std::string bytes;
    ASSERT_TRUE(PngImage::Encode(Pattern(40, 40, false), bytes));
    error.clear();
    EXPECT_FALSE(PngImage::Decode(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() / 2}, image, &error));
    EXPECT_FALSE(error.empty());
    PixelBuffer wide;
    wide.width = PixelBuffer::kMaxSide + 1;
    wide.height = 1;
    wide.pixels.assign(static_cast<std::size_t>(wide.width), kWhite);
    ASSERT_TRUE(PngImage::Encode(wide, bytes));
    error.clear();
    EXPECT_FALSE(PngImage::Decode(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, image, &error));
    EXPECT_NE(error.find("too large"), std::string::npos);
    ExpectSame(image, original);
}

} // namespace
