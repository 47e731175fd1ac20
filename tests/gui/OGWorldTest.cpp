// Offscreen worlds: made for a rectangle or from a picture, the resize rule,
// and AppFrame::ResAlloc when the pixels cannot be had.

#include "RasterTestSupport.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace
{

using namespace RasterTest;

// Made for a rectangle it has the rectangle's size, in black, and draws at its
// own top left; from a picture it has the picture's size and pixels.
TEST(OGWorld, IsMadeForARectangleOrFromAPictureResizesOnlyToAnotherSizeAndRaisesResAllocWhenThePixelsCannotBeHad)
{
    OGWorld offset(Rect{10, 20, 15, 23});
    EXPECT_EQ(std::pair(offset.GetBounds(), offset.GetPixels().oneBit), std::pair(Rect{10, 20, 15, 23}, false));
    offset.SetForeColor(Colour(kWhite));
    offset.PaintRect({0, 0, 1, 1});
    EXPECT_EQ(Art(offset), Rows({".####", "#####", "#####"}));
    // An empty rectangle makes an empty world that draws nothing.
    OGWorld empty(Rect{3, 3, 3, 9});
    EXPECT_TRUE(empty.GetPixels().IsEmpty());
    empty.PaintRect({0, 0, 10, 10});
    empty.MoveTo({0, 0});
    empty.DrawString("x");

    OGWorld colour(Resources::kTestColourPicture);
    EXPECT_EQ(std::pair(colour.GetBounds(), colour.GetPixels().oneBit), std::pair(Rect{0, 0, 4, 2}, false));
    EXPECT_EQ(colour.GetPixels().pixels,
              (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000,
                                          0x808080, 0x123456, 0xFEDCBA}));
    OGWorld mono(Resources::kTestMonoPicture);
    EXPECT_EQ(mono.GetBounds(), (Rect{0, 0, 8, 4}));
    EXPECT_EQ(Art(mono), Rows({"#.#.#.#.", "##..##..", "####....", "........"}));

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
    for (const auto& [width, height] : {std::pair(PixelBuffer::kMaxSide + 1, 1), std::pair(1, PixelBuffer::kMaxSide + 1),
                                        std::pair(-1, 1), std::pair(1, -1)})
        EXPECT_FALSE(buffer.Allocate(width, height));
    EXPECT_EQ(std::tuple(buffer.width, buffer.height, buffer.oneBit, buffer.pixels.size()), std::tuple(2, 3, true, 6u));
    EXPECT_THROW(OGWorld{Resources::kLastTestPicture}, AppFrame::ResAlloc);
    EXPECT_NO_THROW(OGWorld(Rect{0, 0, 16384, 1}));

    // Resizing to another size loses the content, to the same size does
    // nothing, and a failed resize leaves the world as it was.
    OGWorld world(Rect{0, 0, 3, 2});
    Fill(world, kRed);
    world.Resize({5, 5, 8, 7}); // same size elsewhere
    EXPECT_EQ(std::pair(world.GetBounds(), Art(world)), std::pair(Rect{0, 0, 3, 2}, Rows({"rrr", "rrr"})));
    world.Resize({0, 0, 4, 2});
    EXPECT_EQ(std::pair(world.GetBounds(), Art(world)), std::pair(Rect{0, 0, 4, 2}, Rows({"####", "####"})));
    // Drawing reaches the whole new size.
    world.SetForeColor(Colour(kBlue));
    world.PaintRect({0, 0, 100, 100});
    EXPECT_EQ(Art(world), Rows({"bbbb", "bbbb"}));
    // A one-bit world from a picture becomes a colour one when resized.
    mono.Resize({0, 0, 8, 4});
    EXPECT_TRUE(mono.GetPixels().oneBit);
    mono.Resize({0, 0, 2, 2});
    EXPECT_FALSE(mono.GetPixels().oneBit);
    for (const Rect& rect : absurd)
        EXPECT_THROW(world.Resize(rect), AppFrame::ResAlloc);
    EXPECT_EQ(Art(world), Rows({"bbbb", "bbbb"}));
}

} // namespace
