// Offscreen worlds: made for a rectangle or from a picture, the resize rule,
// and AppFrame::ResAlloc when the pixels cannot be had.

#include "RasterTestSupport.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using namespace RasterTest;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(OGWorld, ForARectangleHasItsSizeInBlackAndDrawsAtItsOwnTopLeft)
{
    OGWorld world(Rect{10, 20, 15, 23});
    EXPECT_EQ(world.GetBounds(), (Rect{10, 20, 15, 23}));
    EXPECT_EQ(world.GetPixels().width, 5);
    EXPECT_EQ(world.GetPixels().height, 3);
    EXPECT_FALSE(world.GetPixels().oneBit);
    EXPECT_EQ(world.GetNativeHandle(), &world.GetPixels());
    world.SetForeColor(Colour(kWhite));
    world.PaintRect({0, 0, 1, 1});
    EXPECT_EQ(Art(world), Rows({".####", "#####", "#####"}));
    // An empty rectangle makes an empty world that draws nothing.
    OGWorld empty(Rect{3, 3, 3, 9});
    EXPECT_TRUE(empty.GetPixels().IsEmpty());
    empty.PaintRect({0, 0, 10, 10});
    empty.MoveTo({0, 0});
    empty.DrawString("x");
}

TEST(OGWorld, FromAPictureHasItsSizeAndPixels)
{
    OGWorld colour(Resources::kTestColourPicture);
    EXPECT_EQ(colour.GetBounds(), (Rect{0, 0, 4, 2}));
    EXPECT_FALSE(colour.GetPixels().oneBit);
    EXPECT_EQ(colour.GetPixels().pixels,
              (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000,
                                          0x808080, 0x123456, 0xFEDCBA}));
    OGWorld mono(Resources::kTestMonoPicture);
    EXPECT_EQ(mono.GetBounds(), (Rect{0, 0, 8, 4}));
    EXPECT_TRUE(mono.GetPixels().oneBit);
    EXPECT_EQ(Art(mono), Rows({"#.#.#.#.", "##..##..", "####....", "........"}));
    OGWorld box(Resources::kErrorFrameInfoPicture);
    EXPECT_EQ(box.GetBounds(), (Rect{0, 0, 260, 100}));
    OGWorld alert(Resources::kErrorFrameAlertPicture);
    EXPECT_EQ(alert.GetBounds(), (Rect{0, 0, 260, 100}));
}

TEST(OGWorld, ResizingToAnotherSizeLosesTheContentAndToTheSameSizeDoesNothing)
{
    OGWorld world(Rect{0, 0, 3, 2});
    Fill(world, kRed);
    world.Resize({5, 5, 8, 7}); // same size elsewhere
    EXPECT_EQ(world.GetBounds(), (Rect{0, 0, 3, 2}));
    EXPECT_EQ(Art(world), Rows({"rrr", "rrr"}));
    world.Resize({0, 0, 4, 2});
    EXPECT_EQ(world.GetBounds(), (Rect{0, 0, 4, 2}));
    EXPECT_EQ(Art(world), Rows({"####", "####"}));
    // Drawing reaches the whole new size.
    world.SetForeColor(Colour(kBlue));
    world.PaintRect({0, 0, 100, 100});
    EXPECT_EQ(Art(world), Rows({"bbbb", "bbbb"}));
    // A one-bit world from a picture becomes a colour one when resized.
    OGWorld mono(Resources::kTestMonoPicture);
    mono.Resize({0, 0, 8, 4});
    EXPECT_TRUE(mono.GetPixels().oneBit);
    mono.Resize({0, 0, 2, 2});
    EXPECT_FALSE(mono.GetPixels().oneBit);
}

TEST(OGWorld, RaisesResAllocWhenThePixelsCannotBeHad)
{
    const Rect absurd[] = {
        {0, 0, -1, 5},                          // negative width
        {0, 9, 5, 0},                           // negative height
        {0, 0, 16385, 1},                       // a side beyond 16384
        {0, 0, 1, 16385},   {kMin, 0, kMax, 1}, // wider than 32 bits can say
        {0, kMin, 1, kMax},
    };
    for (const Rect& rect : absurd)
    {
        AppFrame::RecordErrorLocation("", 0);
        EXPECT_THROW(OGWorld{rect}, AppFrame::ResAlloc) << rect.left << " " << rect.right;
        EXPECT_EQ(AppFrame::LastErrorLocation().file, "OGWorld");
    }
    EXPECT_THROW(OGWorld{12345}, AppFrame::ResAlloc);
    // The buffer refuses such sizes on its own as well, and stays as it was.
    PixelBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(2, 3, true));
    EXPECT_FALSE(buffer.Allocate(PixelBuffer::kMaxSide + 1, 1));
    EXPECT_FALSE(buffer.Allocate(1, PixelBuffer::kMaxSide + 1));
    EXPECT_FALSE(buffer.Allocate(-1, 1));
    EXPECT_FALSE(buffer.Allocate(1, -1));
    EXPECT_EQ(buffer.width, 2);
    EXPECT_EQ(buffer.height, 3);
    EXPECT_TRUE(buffer.oneBit);
    EXPECT_EQ(buffer.pixels.size(), 6u);
    EXPECT_THROW(OGWorld{Resources::kLastTestPicture}, AppFrame::ResAlloc);
    EXPECT_NO_THROW(OGWorld(Rect{0, 0, 16384, 1}));

    // A failed resize leaves the world as it was.
    OGWorld world(Rect{0, 0, 2, 2});
    Fill(world, kGreen);
    for (const Rect& rect : absurd)
        EXPECT_THROW(world.Resize(rect), AppFrame::ResAlloc);
    EXPECT_EQ(Art(world), Rows({"gg", "gg"}));
}

} // namespace
