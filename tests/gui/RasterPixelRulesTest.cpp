// The raster's pixel rules on small pictures whose pixels were worked out by
// hand from the rules: colours, lines, rectangles, ovals, the origin, and
// coordinates far outside the buffer.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using namespace RasterTest;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(RasterColour, UsesTheLowByteOfEachComponentAndReadsBackBytes)
{
    OGWorld world(Rect{0, 0, 3, 1});
    world.SetForeColor({65535, 0, 0});
    world.PaintRect({0, 0, 1, 1});
    world.SetForeColor({255, 0, 0});
    world.PaintRect({1, 0, 2, 1});
    world.SetForeColor({0x1234, 0xAB80, 0x00FF});
    world.PaintRect({2, 0, 3, 1});
    EXPECT_EQ(world.GetPixels().At(0, 0), 0xFF0000u);
    EXPECT_EQ(world.GetPixels().At(1, 0), 0xFF0000u);
    CVLCanvas::ColorSpec colour;
    world.GetPixel({2, 0}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{0x34, 0x80, 0xFF}));
    // Outside the buffer: the platform's invalid colour, read as white.
    world.GetPixel({3, 0}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{255, 255, 255}));
    world.GetPixel({kMin, kMax}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{255, 255, 255}));
}

TEST(RasterLine, ZeroLengthLineIsOnePixelAndThePenMovesToTheEnd)
{
    OGWorld world(Rect{0, 0, 5, 4});
    Blank(world);
    world.MoveTo({1, 1});
    world.LineTo({1, 1});
    EXPECT_EQ(Art(world), Rows({".....", ".#...", ".....", "....."}));
    world.LineTo({3, 1}); // from the pen
    world.LineTo({3, 3});
    EXPECT_EQ(Art(world), Rows({".....", ".###.", "...#.", "...#."}));
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
    OGWorld outwards(Rect{0, 0, 13, 13});
    OGWorld inwards(Rect{0, 0, 13, 13});
    Blank(outwards);
    Blank(inwards);
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

TEST(RasterLine, PolylineJoinsItsPointsWithBothEndsDrawn)
{
    OGWorld world(Rect{0, 0, 6, 4});
    Blank(world);
    const std::int32_t xs[] = {0, 5, 5, 2};
    const std::int32_t ys[] = {0, 0, 3, 3};
    world.Polyline(xs, ys, 4);
    EXPECT_EQ(Art(world), Rows({"######", ".....#", ".....#", "..####"}));
    world.Polyline(xs, ys, 0);
    world.Polyline(nullptr, ys, 4);
    EXPECT_EQ(Art(world), Rows({"######", ".....#", ".....#", "..####"}));
}

TEST(RasterLine, CoordinatesFarOutsideTheBufferDrawOnlyTheVisiblePixelsExactly)
{
    OGWorld world(Rect{0, 0, 8, 8});
    Blank(world);
    // Slope exactly 1 over four billion pixels: the diagonal.
    world.MoveTo({-2000000000, -2000000000});
    world.LineTo({2000000000, 2000000000});
    EXPECT_EQ(Art(world), Rows({
                              "#.......",
                              ".#......",
                              "..#.....",
                              "...#....",
                              "....#...",
                              ".....#..",
                              "......#.",
                              ".......#",
                          }));
    // From x = -2^31 to 2^31 - 1 rising 7: over columns 0..7 the line is at
    // y = 7 (x + 2^31) / (2^32 - 1), just over 3.5, so every pixel is on row 4.
    Blank(world);
    world.MoveTo({kMin, 0});
    world.LineTo({kMax, 7});
    EXPECT_EQ(Art(world), Rows({
                              "........",
                              "........",
                              "........",
                              "........",
                              "########",
                              "........",
                              "........",
                              "........",
                          }));
    // Entirely outside: nothing.
    Blank(world);
    world.MoveTo({kMin, kMin});
    world.LineTo({kMax, kMin});
    world.MoveTo({-1, kMin});
    world.LineTo({-1, kMax});
    world.MoveTo({8, 8});
    world.LineTo({kMax, kMax});
    EXPECT_EQ(Art(world), Rows({
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                          }));
}

TEST(RasterRect, PaintsRightAndBottomExclusiveAndEmptyRectanglesNotAtAll)
{
    OGWorld world(Rect{0, 0, 6, 4});
    Blank(world);
    world.PaintRect({1, 1, 4, 3});
    EXPECT_EQ(Art(world), Rows({"......", ".###..", ".###..", "......"}));
    for (const Rect empty : {Rect{2, 0, 2, 4}, Rect{4, 0, 2, 4}, Rect{0, 2, 6, 2}, Rect{0, 3, 6, 1},
                             Rect{kMax, kMax, kMin, kMin}})
    {
        world.PaintRect(empty);
        world.FrameRect(empty);
        world.PaintOval(empty);
        world.FrameOval(empty);
    }
    EXPECT_EQ(Art(world), Rows({"......", ".###..", ".###..", "......"}));
    world.PaintRect({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(world), Rows({"######", "######", "######", "######"}));
}

TEST(RasterRect, FramesTheOutermostPixelsInside)
{
    OGWorld world(Rect{0, 0, 8, 6});
    Blank(world);
    world.FrameRect({1, 1, 6, 5});
    world.FrameRect({7, 0, 8, 3}); // one pixel wide
    EXPECT_EQ(Art(world), Rows({
                              ".......#",
                              ".#####.#",
                              ".#...#.#",
                              ".#...#..",
                              ".#####..",
                              "........",
                          }));
}

TEST(RasterOrigin, DrawingPointsLandAtPointMinusOriginAndThePenKeepsItsPixel)
{
    OGWorld world(Rect{0, 0, 6, 4});
    Blank(world);
    // A frame whose corner is at (2, 1) sets the origin to (-2, -1).
    world.SetOrigin({-2, -1});
    world.PaintRect({0, 0, 2, 2});
    CVLCanvas::ColorSpec colour;
    world.GetPixel({0, 0}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{0, 0, 0}));
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
// rectangle, the middle rows and columns reaching its sides.
TEST(RasterOval, OddSizeFilledAndFramed)
{
    OGWorld world(Rect{0, 0, 7, 7});
    Blank(world);
    world.PaintOval({1, 1, 6, 6});
    EXPECT_EQ(Art(world), Rows({
                              ".......",
                              "..###..",
                              ".#####.",
                              ".#####.",
                              ".#####.",
                              "..###..",
                              ".......",
                          }));
    Blank(world);
    world.FrameOval({1, 1, 6, 6});
    EXPECT_EQ(Art(world), Rows({
                              ".......",
                              "..###..",
                              ".#...#.",
                              ".#...#.",
                              ".#...#.",
                              "..###..",
                              ".......",
                          }));
}

TEST(RasterOval, EvenSizeFilledAndFramed)
{
    OGWorld world(Rect{0, 0, 8, 8});
    Blank(world);
    world.PaintOval({0, 0, 8, 8});
    EXPECT_EQ(Art(world), Rows({
                              "..####..",
                              ".######.",
                              "########",
                              "########",
                              "########",
                              "########",
                              ".######.",
                              "..####..",
                          }));
    Blank(world);
    world.FrameOval({0, 0, 8, 8});
    EXPECT_EQ(Art(world), Rows({
                              "..####..",
                              ".#....#.",
                              "#......#",
                              "#......#",
                              "#......#",
                              "#......#",
                              ".#....#.",
                              "..####..",
                          }));
}

TEST(RasterOval, WideThinAndTinyOvalsTouchEverySide)
{
    OGWorld world(Rect{0, 0, 12, 10});
    Blank(world);
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
    OGWorld wide(Rect{0, 0, 12, 4});
    Blank(wide);
    wide.FrameOval({0, 0, 12, 4});
    EXPECT_EQ(Art(wide), Rows({"..########..", "##........##", "##........##", "..########.."}));
}

TEST(RasterOval, EllipseFarLargerThanTheBufferIsExact)
{
    OGWorld world(Rect{0, 0, 4, 4});
    Blank(world);
    // The buffer lies at the centre of an ellipse four billion pixels wide:
    // all inside, and no outline pixel within it.
    world.FrameOval({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(world), Rows({"....", "....", "....", "...."}));
    world.PaintOval({kMin, kMin, kMax, kMax});
    EXPECT_EQ(Art(world), Rows({"####", "####", "####", "####"}));
    // A huge circle whose leftmost point is column 1, row 2.
    Blank(world);
    world.FrameOval({1, 2 - 1000000000, 1 + 2000000001, 2 + 1000000001});
    EXPECT_EQ(Art(world), Rows({".#..", ".#..", ".#..", ".#.."}));
}

} // namespace
