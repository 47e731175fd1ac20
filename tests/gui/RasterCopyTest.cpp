// Copies between contexts: one-bit and colour sources and destinations, the
// current colours, masks, pictures, and copies within one buffer.
//
// The test pictures (src/resources/ResourceTable.h): 9900 is 8 x 4, one bit,
// rows 0..2 holding bit 0, 1 and 2 of the column number and row 3 all 1;
// 9901 is 4 x 2 colour: red, green, blue, white / black, 808080, 123456, FEDCBA.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{

using namespace RasterTest;

// Reset colours draw it in black and white whatever the colours, and keep them.
TEST(RasterCopy, OneBitSourceDrawsZeroInForeAndOneInBackColourAndColourIntoOneBitIsWhiteAtTheBackColour)
{
    OGWorld mono(Resources::kTestMonoPicture);
    ASSERT_TRUE(mono.GetPixels().oneBit);
    OGWorld world(Rect{0, 0, 8, 4});
    world.SetForeColor(Colour(kRed));
    world.SetBackColor(Colour(kGreen));
    world.CopyBits(mono, {0, 0, 8, 4}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"rgrgrgrg", "rrggrrgg", "rrrrgggg", "gggggggg"}));
    world.CopyBits(mono, {0, 0, 8, 4}, {0, 0}, true);
    EXPECT_EQ(Art(world), Rows({"#.#.#.#.", "##..##..", "####....", "........"}));
    EXPECT_EQ(std::pair(world.GetForeColor(), world.GetBackColor()), std::pair(Colour(kBlack), Colour(kWhite)));

    // Colour into one bit is white (1) where the back colour is, black elsewhere.
    OGWorld colour(Resources::kTestColourPicture);
    mono.CopyBits(colour, {0, 0, 4, 2}, {4, 2}, false); // back colour white
    EXPECT_EQ(Art(mono), Rows({"#.#.#.#.", "##..##..", "#######.", "....####"}));
    mono.SetBackColor(Colour(kRed));
    mono.CopyBits(colour, {0, 0, 4, 2}, {0, 0}, false);
    EXPECT_EQ(Art(mono), Rows({".####.#.", "######..", "#######.", "....####"}));
    EXPECT_EQ(std::pair(Read(mono, {0, 0}), Read(mono, {1, 0})), std::pair(Colour(kWhite), Colour(kBlack)));
}

TEST(RasterCopy, SourceRectangleIsTakenInTheSourcesCoordinatesAndClippedToItsPixelsAndMayOverlap)
{
    OGWorld colour(Resources::kTestColourPicture);
    BlankWorld world(6, 4);
    // From (-2, -1): the first two columns and the first row are outside the
    // picture and leave the destination alone.
    world.CopyBits(colour, {-2, -1, 3, 2}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "..rgb.", "..#??.", "......"}));
    // The same pixels through the source's origin and the destination's.
    Blank(world);
    colour.SetOrigin({10, 20});
    world.SetOrigin({-1, -2});
    world.CopyBits(colour, {10, 20, 13, 21}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "......"}));
    // Sizes and places beyond 32 bits copy nothing, and never outside.
    world.SetOrigin({});
    colour.SetOrigin({});
    world.CopyBits(colour, {kMin, kMin, kMax, kMax}, {0, 0}, false);
    world.CopyBits(colour, {0, 0, kMax, kMax}, {kMax, kMin}, false);
    world.CopyBits(colour, {kMax, kMax, kMin, kMin}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "......"}));
    // The whole picture from far left: exactly its pixels at the destination.
    world.CopyBits(colour, {0, 0, kMax, kMax}, {3, 3}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "...rgb"}));

    // Within one buffer, the source is read as it was, either way.
    BlankWorld row(6, 1);
    OGWorld column(Rect{0, 0, 1, 4});
    const std::uint32_t colours[] = {kRed, kGreen, kBlue, kBlack};
    for (std::int32_t i = 0; i < 4; ++i)
    {
        row.SetForeColor(Colour(colours[i]));
        row.PaintRect({i, 0, i + 1, 1});
        column.SetForeColor(Colour(colours[i]));
        column.PaintRect({0, i, 1, i + 1});
    }
    row.CopyBits(row, {0, 0, 4, 1}, {2, 0}, false);
    EXPECT_EQ(Art(row), Rows({"rgrgb#"}));
    row.CopyBits(row, {2, 0, 6, 1}, {0, 0}, false);
    EXPECT_EQ(Art(row), Rows({"rgb#b#"}));
    // Downwards too, where rows would be read after being written.
    column.CopyBits(column, {0, 0, 1, 3}, {0, 1}, false);
    EXPECT_EQ(Art(column), Rows({"r", "r", "g", "b"}));
}

// A picture drawn in a rectangle: the top left part of the rectangle's size;
// larger than the picture, the rest stays; a missing picture draws nothing; a
// one-bit picture in the current colours.
TEST(RasterCopy, DrawPictureCopiesTheTopLeftPartOfTheRectanglesSizeAndMaskedCopyShowsTheSourceAtBlack)
{
    BlankWorld colour(6, 4), larger(6, 4);
    colour.DrawPicture(Resources::kTestColourPicture, {1, 1, 4, 3});
    EXPECT_EQ(std::pair(colour.GetPixels().At(3, 2), colour.GetPixels().At(2, 2)), std::pair(0x123456u, 0x808080u));
    colour.DrawPicture(Resources::kTestColourPicture, {5, 3, 6, 4});
    EXPECT_EQ(Art(colour), Rows({"......", ".rgb..", ".#??..", ".....r"}));
    larger.DrawPicture(Resources::kTestColourPicture, {0, 0, 6, 4});
    larger.DrawPicture(12345, {0, 0, 6, 4});
    EXPECT_EQ(Art(larger), Rows({"rgb...", "#???..", "......", "......"}));
    OGWorld mono(Rect{0, 0, 8, 4});
    mono.SetForeColor(Colour(kBlue));
    mono.SetBackColor(Colour(kRed));
    mono.DrawPicture(Resources::kTestMonoPicture, {0, 0, 8, 4});
    EXPECT_EQ(Art(mono), Rows({"brbrbrbr", "bbrrbbrr", "bbbbrrrr", "rrrrrrrr"}));

    // A masked copy: XOR the source, AND the mask, XOR the source: where the
    // one-bit mask is 0 (black) the source shows, where it is 1 (white) the
    // destination stays.
    OGWorld source(Rect{0, 0, 8, 4});
    Fill(source, kRed);
    source.SetForeColor(Colour(kGreen));
    source.PaintRect({4, 0, 8, 4});
    OGWorld mask(Resources::kTestMonoPicture);
    OGWorld world(Rect{0, 0, 8, 4});
    Fill(world, kBlue);
    world.CopyMasked(source, {0, 0, 8, 4}, mask, {0, 0}, {0, 0});
    EXPECT_EQ(Art(world), Rows({"rbrbgbgb", "rrbbggbb", "rrrrbbbb", "bbbbbbbb"}));

    // A part of each, at other places: mask columns 4..7, rows 0..1 over
    // the destination's (2, 1).
    Fill(world, kBlue);
    world.CopyMasked(source, {0, 0, 4, 2}, mask, {4, 0}, {2, 1});
    EXPECT_EQ(Art(world), Rows({"bbbbbbbb", "bbrbrbbb", "bbrrbbbb", "bbbbbbbb"}));
}

} // namespace
