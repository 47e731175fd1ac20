// Copies between contexts: one-bit and colour sources and destinations, the
// current colours, masks, pictures, and copies within one buffer.
//
// The test pictures (src/resources/ResourceTable.h): 9900 is 8 x 4, one bit,
// rows 0..2 holding bit 0, 1 and 2 of the column number and row 3 all 1;
// 9901 is 4 x 2 colour: red, green, blue, white / black, 808080, 123456, FEDCBA.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using namespace RasterTest;

const std::string kMonoInBlackAndWhite = Rows({"#.#.#.#.", "##..##..", "####....", "........"});

TEST(RasterCopy, OneBitSourceDrawsZeroInForeAndOneInBackColour)
{
    OGWorld mono(Resources::kTestMonoPicture);
    ASSERT_TRUE(mono.GetPixels().oneBit);
    OGWorld world(Rect{0, 0, 8, 4});
    world.SetForeColor(Colour(kRed));
    world.SetBackColor(Colour(kGreen));
    world.CopyBits(mono, {0, 0, 8, 4}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"rgrgrgrg", "rrggrrgg", "rrrrgggg", "gggggggg"}));
}

TEST(RasterCopy, ResetColorsDrawsOneBitSourceInBlackAndWhiteWhateverTheColours)
{
    OGWorld mono(Resources::kTestMonoPicture);
    OGWorld world(Rect{0, 0, 8, 4});
    world.SetForeColor(Colour(kRed));
    world.SetBackColor(Colour(kGreen));
    world.CopyBits(mono, {0, 0, 8, 4}, {0, 0}, true);
    EXPECT_EQ(Art(world), kMonoInBlackAndWhite);
    EXPECT_EQ(world.GetForeColor(), Colour(kBlack));
    EXPECT_EQ(world.GetBackColor(), Colour(kWhite));
}

TEST(RasterCopy, ColourIntoOneBitIsWhiteWhereTheBackColourIs)
{
    OGWorld colour(Resources::kTestColourPicture);
    OGWorld mono(Resources::kTestMonoPicture);
    mono.CopyBits(colour, {0, 0, 4, 2}, {4, 2}, false); // back colour white
    EXPECT_EQ(Art(mono), Rows({"#.#.#.#.", "##..##..", "#######.", "....####"}));
    mono.SetBackColor(Colour(kRed));
    mono.CopyBits(colour, {0, 0, 4, 2}, {0, 0}, false);
    EXPECT_EQ(Art(mono), Rows({".####.#.", "######..", "#######.", "....####"}));
    CVLCanvas::ColorSpec read;
    mono.GetPixel({0, 0}, read);
    EXPECT_EQ(read, (CVLCanvas::ColorSpec{255, 255, 255}));
    mono.GetPixel({1, 0}, read);
    EXPECT_EQ(read, (CVLCanvas::ColorSpec{0, 0, 0}));
}

TEST(RasterCopy, SourceRectangleIsTakenInTheSourcesCoordinatesAndClippedToItsPixels)
{
    OGWorld colour(Resources::kTestColourPicture);
    OGWorld world(Rect{0, 0, 6, 4});
    Blank(world);
    // From (-2, -1): the first two columns and the first row are outside the
    // picture and leave the destination alone.
    world.CopyBits(colour, {-2, -1, 3, 2}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "..rgb.", "..#??.", "......"}));
    Blank(world);
    // The same pixels through the source's origin and the destination's.
    Blank(world);
    colour.SetOrigin({10, 20});
    world.SetOrigin({-1, -2});
    world.CopyBits(colour, {10, 20, 13, 21}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "......"}));
    // Sizes and places beyond 32 bits copy nothing, and never outside.
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    world.SetOrigin({});
    colour.SetOrigin({});
    world.CopyBits(colour, {kMin, kMin, kMax, kMax}, {0, 0}, false);
    world.CopyBits(colour, {0, 0, kMax, kMax}, {kMax, kMin}, false);
    world.CopyBits(colour, {kMax, kMax, kMin, kMin}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "......"}));
    // The whole picture from far left: exactly its pixels at the destination.
    world.CopyBits(colour, {0, 0, kMax, kMax}, {3, 3}, false);
    EXPECT_EQ(Art(world), Rows({"......", "......", ".rgb..", "...rgb"}));
}

TEST(RasterCopy, CopyWithinOneBufferReadsTheSourceAsItWas)
{
    OGWorld world(Rect{0, 0, 6, 1});
    Blank(world);
    const std::uint32_t colours[] = {kRed, kGreen, kBlue, kBlack};
    for (std::int32_t x = 0; x < 4; ++x)
    {
        world.SetForeColor(Colour(colours[x]));
        world.PaintRect({x, 0, x + 1, 1});
    }
    world.CopyBits(world, {0, 0, 4, 1}, {2, 0}, false);
    EXPECT_EQ(Art(world), Rows({"rgrgb#"}));
    world.CopyBits(world, {2, 0, 6, 1}, {0, 0}, false);
    EXPECT_EQ(Art(world), Rows({"rgb#b#"}));
    // Downwards too, where rows would be read after being written.
    OGWorld column(Rect{0, 0, 1, 4});
    for (std::int32_t y = 0; y < 4; ++y)
    {
        column.SetForeColor(Colour(colours[y]));
        column.PaintRect({0, y, 1, y + 1});
    }
    column.CopyBits(column, {0, 0, 1, 3}, {0, 1}, false);
    EXPECT_EQ(Art(column), Rows({"r", "r", "g", "b"}));
}

// XOR the source, AND the mask, XOR the source: where the one-bit mask is 0
// (black) the source shows, where it is 1 (white) the destination stays.
TEST(RasterCopy, MaskedCopyShowsTheSourceWhereTheMaskIsBlack)
{
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

TEST(RasterCopy, DrawPictureCopiesTheTopLeftPartOfTheRectanglesSize)
{
    OGWorld world(Rect{0, 0, 6, 4});
    Blank(world);
    world.DrawPicture(Resources::kTestColourPicture, {1, 1, 4, 3});
    EXPECT_EQ(world.GetPixels().At(3, 2), 0x123456u);
    EXPECT_EQ(world.GetPixels().At(2, 2), 0x808080u);
    world.DrawPicture(Resources::kTestColourPicture, {5, 3, 6, 4});
    EXPECT_EQ(Art(world), Rows({"......", ".rgb..", ".#??..", ".....r"}));
    // Larger than the picture: the rest stays. A missing picture draws nothing.
    Blank(world);
    world.DrawPicture(Resources::kTestColourPicture, {0, 0, 6, 4});
    world.DrawPicture(12345, {0, 0, 6, 4});
    EXPECT_EQ(Art(world), Rows({"rgb...", "#???..", "......", "......"}));
    // A one-bit picture in the current colours.
    OGWorld wide(Rect{0, 0, 8, 4});
    wide.SetForeColor(Colour(kBlue));
    wide.SetBackColor(Colour(kRed));
    wide.DrawPicture(Resources::kTestMonoPicture, {0, 0, 8, 4});
    EXPECT_EQ(Art(wide), Rows({"brbrbrbr", "bbrrbbrr", "bbbbrrrr", "rrrrrrrr"}));
}

} // namespace
