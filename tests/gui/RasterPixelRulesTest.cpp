// The raster's pixel rules on small pictures whose pixels were worked out by
// hand from the rules: colours, lines, rectangles, ovals, the origin, and
// coordinates far outside the buffer.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using namespace RasterTest;

TEST(RasterLine, ZeroLengthLineIsOnePixelPenMovesToTheEndAndPolylinesDrawBothEnds)
{
    BlankWorld world(5, 4);
    world.MoveTo({1, 1});
    world.LineTo({1, 1});
    EXPECT_EQ(Art(world), Rows({".....", ".#...", ".....", "....."}));
    world.LineTo({3, 1}); // from the pen
    world.LineTo({3, 3});
    EXPECT_EQ(Art(world), Rows({".....", ".###.", "...#.", "...#."}));

    BlankWorld poly(6, 4);
    const std::int32_t xs[] = {0, 5, 5, 2};
    const std::int32_t ys[] = {0, 0, 3, 3};
    poly.Polyline(xs, ys, 4);
    poly.Polyline(xs, ys, 0);
    poly.Polyline(nullptr, ys, 4);
    EXPECT_EQ(Art(poly), Rows({"######", ".....#", ".....#", "..####"}));
}

// From the centre (6, 6) to eight ends two pixels off a diagonal, one line in
// each octant. Every line passes exactly half-way between two pixels at every
// other step: the upper pixel is taken for lines wider than tall, the left one
// for lines taller than wide, whichever end a line is drawn from.
TEST(RasterLine, LightsOnePixelPerMajorStepInEveryOctantWithTiesUpAndLeft)
{
    const Point centre{6, 6};
    const Point ends[] = {{10, 8}, {10, 4}, {2, 8}, {2, 4}, {8, 10}, {4, 10}, {8, 2}, {4, 2}};
    const std::string expected = Rows({
        ".............",
        ".............",
        "....#...#....",
        "....#..#.....",
        "..##.#.#.##..",
        "....#####....",
        ".....###.....",
        "...####.##...",
        "..#..#.#..#..",
        "....#..#.....",
        "....#...#....",
        ".............",
        ".............",
    });
    BlankWorld outwards(13, 13), inwards(13, 13);
    for (const Point end : ends)
    {
        outwards.MoveTo(centre);
        outwards.LineTo(end);
        inwards.MoveTo(end);
        inwards.LineTo(centre);
    }
    EXPECT_EQ(Art(outwards), expected);
    EXPECT_EQ(Art(inwards), expected);
}

TEST(RasterLine, CoordinatesFarOutsideTheBufferDrawOnlyTheVisiblePixelsExactly)
{
    // Slope exactly 1 over four billion pixels: the diagonal.
    BlankWorld world(8, 8);
    world.MoveTo({-2000000000, -2000000000});
    world.LineTo({2000000000, 2000000000});
    EXPECT_EQ(Art(world), Rows({"#.......", ".#......", "..#.....", "...#....",
                                "....#...", ".....#..", "......#.", ".......#"}));
    // From x = -2^31 to 2^31 - 1 rising 7: over columns 0..7 the line is at
    // y = 7 (x + 2^31) / (2^32 - 1), just over 3.5, so every pixel is on row 4.
    Blank(world);
    world.MoveTo({kMin, 0});
    world.LineTo({kMax, 7});
    EXPECT_EQ(Art(world), Rows({"........", "........", "........", "........",
                                "########", "........", "........", "........"}));
    // Entirely outside: nothing.
    Blank(world);
    world.MoveTo({kMin, kMin});
    world.LineTo({kMax, kMin});
    world.MoveTo({-1, kMin});
    world.LineTo({-1, kMax});
    world.MoveTo({8, 8});
    world.LineTo({kMax, kMax});
    EXPECT_EQ(Art(world), Solid(8, 8, '.'));
}

// Right and bottom sides are exclusive; a frame takes the outermost pixels
// inside; an empty rectangle draws nothing at all.
TEST(RasterRect, PaintsAndFramesInsideRightAndBottomExclusiveEmptyRectanglesNotAtAllInLowBytes)
{
    BlankWorld world(8, 6);
    world.PaintRect({2, 2, 4, 3});
    world.FrameRect({1, 1, 6, 5});
    world.FrameRect({7, 0, 8, 3}); // one pixel wide
    for (const Rect empty : {Rect{2, 0, 2, 4}, Rect{4, 0, 2, 4}, Rect{0, 2, 6, 2}, Rect{0, 3, 6, 1},
                             Rect{kMax, kMax, kMin, kMin}})
    {
        world.PaintRect(empty);
        world.FrameRect(empty);
        world.PaintOval(empty);
        world.FrameOval(empty);
    }
    EXPECT_EQ(Art(world), Rows({
                              ".......#",
                              ".#####.#",
                              ".###.#.#",
                              ".#...#..",
                              ".#####..",
                              "........",
                          }));
    world.PaintRect({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(world), Solid(8, 6, '#'));

    // Colours take the low byte of each component and read back as bytes.
    OGWorld bytes(Rect{0, 0, 3, 1});
    const CVLCanvas::ColorSpec colours[] = {{65535, 0, 0}, {255, 0, 0}, {0x1234, 0xAB80, 0x00FF}};
    for (std::int32_t x = 0; x < 3; ++x)
        bytes.SetForeColor(colours[x]), bytes.PaintRect({x, 0, x + 1, 1});
    EXPECT_EQ(bytes.GetPixels().pixels, (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x3480FF}));
    EXPECT_EQ(Read(bytes, {2, 0}), (CVLCanvas::ColorSpec{0x34, 0x80, 0xFF}));
    // Outside the buffer: the platform's invalid colour, read as white.
    EXPECT_EQ(Read(bytes, {3, 0}), Colour(kWhite));
    EXPECT_EQ(Read(bytes, {kMin, kMax}), Colour(kWhite));
}

TEST(RasterOrigin, DrawingPointsLandAtPointMinusOriginAndThePenKeepsItsPixel)
{
    BlankWorld world(6, 4);
    // A frame whose corner is at (2, 1) sets the origin to (-2, -1).
    world.SetOrigin({-2, -1});
    world.PaintRect({0, 0, 2, 2});
    EXPECT_EQ(Read(world, {0, 0}), Colour(kBlack));
    EXPECT_EQ(world.RectToDevice({0, 0, 2, 2}), (Rect{2, 1, 4, 3}));
    EXPECT_EQ(Art(world), Rows({"......", "..##..", "..##..", "......"}));
    // The pen stays on device pixel (-1, 3) when the origin changes.
    world.MoveTo({-3, 2});
    world.SetOrigin({0, 0});
    world.LineTo({5, 3});
    EXPECT_EQ(Art(world), Rows({"......", "..##..", "..##..", "######"}));
    // An origin that pushes everything beyond 32 bits draws nothing.
    world.SetOrigin({kMin, kMin});
    world.PaintRect({kMax - 10, kMax - 10, kMax, kMax});
    world.MoveTo({0, 0});
    world.LineTo({kMax, kMax});
    EXPECT_EQ(Art(world), Rows({"......", "..##..", "..##..", "######"}));
    EXPECT_EQ(world.RectToDevice({kMax, 0, kMax, 0}), (Rect{kMax, kMax, kMax, kMax}));
}

// Ovals: the pixels whose centres lie in the ellipse inscribed in the
// rectangle, the middle rows and columns reaching its sides. Each picture
// has the filled oval on the left and the same oval framed on the right.
TEST(RasterOval, OddAndEvenSizesFilledAndFramed)
{
    BlankWorld odd(14, 7);
    odd.PaintOval({1, 1, 6, 6});
    odd.FrameOval({8, 1, 13, 6});
    EXPECT_EQ(Art(odd), Rows({
                            "..............",
                            "..###....###..",
                            ".#####..#...#.",
                            ".#####..#...#.",
                            ".#####..#...#.",
                            "..###....###..",
                            "..............",
                        }));
    BlankWorld even(16, 8);
    even.PaintOval({0, 0, 8, 8});
    even.FrameOval({8, 0, 16, 8});
    EXPECT_EQ(Art(even), Rows({
                             "..####....####..",
                             ".######..#....#.",
                             "#########......#",
                             "#########......#",
                             "#########......#",
                             "#########......#",
                             ".######..#....#.",
                             "..####....####..",
                         }));
}

TEST(RasterOval, WideThinTinyAndHugeOvalsTouchEverySide)
{
    BlankWorld world(12, 10);
    world.PaintOval({0, 0, 7, 4});    // odd width, even height
    world.PaintOval({8, 0, 10, 10});  // two wide: even the end rows keep both middle pixels
    world.PaintOval({11, 9, 12, 10}); // one pixel
    world.FrameOval({0, 6, 9, 8});    // two high: both rows are middle rows, full width
    EXPECT_EQ(Art(world), Rows({
                              ".#####..##..",
                              "#######.##..",
                              "#######.##..",
                              ".#####..##..",
                              "........##..",
                              "........##..",
                              "##########..",
                              "##########..",
                              "........##..",
                              "........##.#",
                          }));
    // A wide outline stays closed where its rows step by more than a pixel.
    BlankWorld wide(12, 4);
    wide.FrameOval({0, 0, 12, 4});
    EXPECT_EQ(Art(wide), Rows({"..########..", "##........##", "##........##", "..########.."}));

    // An ellipse far larger than the buffer is exact.
    BlankWorld huge(4, 4);
    // The buffer lies at the centre of an ellipse four billion pixels wide:
    // all inside, and no outline pixel within it.
    huge.FrameOval({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(huge), Solid(4, 4, '.'));
    huge.PaintOval({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(huge), Solid(4, 4, '#'));
    // A huge circle whose leftmost point is column 1, row 2.
    Blank(huge);
    huge.FrameOval({1, 2 - 1000000000, 1 + 2000000001, 2 + 1000000001});
    EXPECT_EQ(Art(huge), Rows({".#..", ".#..", ".#..", ".#.."}));
}

} // namespace
