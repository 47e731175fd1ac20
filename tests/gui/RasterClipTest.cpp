// Regions and clipping: region arithmetic, drawing confined to a region, to
// nested clip rectangles and around the protected regions of floating frames.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using namespace RasterTest;
using Region = RasterContext::RasterRegion;

// Frames are only compared by address here.
int gFloatingToken = 0;
int gOtherToken = 0;
Frame* const kFloating = reinterpret_cast<Frame*>(&gFloatingToken);
Frame* const kOther = reinterpret_cast<Frame*>(&gOtherToken);

Region Make(const Rect& rect)
{
    Region region;
    region.SetRect(rect);
    return region;
}

// Everything a context draws, over the whole of an 8 x 6 buffer.
void DrawEverything(RasterContext& context)
{
    context.PaintRect({0, 0, 8, 6});
    context.MoveTo({0, 0});
    context.LineTo({7, 5});
    context.PaintOval({0, 0, 8, 6});
    context.FrameOval({0, 0, 8, 6});
    context.FrameRect({0, 0, 8, 6});
    OGWorld source(Rect{0, 0, 8, 6});
    context.CopyBits(source, {0, 0, 8, 6}, {0, 0}, false);
    context.DrawPicture(Resources::kTestColourPicture, {0, 0, 8, 6});
    context.MoveTo({1, 10});
    context.SetTextFace(0, Colour(kBlack));
    context.DrawString("WWWWW");
}

TEST(RasterRegion, StartsAsOnePixelAndCombinesLikeSets)
{
    Region region;
    EXPECT_TRUE(region.Contains({0, 0}));
    EXPECT_FALSE(region.Contains({1, 0}));
    EXPECT_FALSE(region.Contains({0, 1}));
    region.SetRect({});
    EXPECT_TRUE(region.IsEmpty());
    region.SetRect({4, 4, 2, 8}); // left > right
    EXPECT_TRUE(region.IsEmpty());
    region.Reset();
    EXPECT_EQ(region.GetRects(), (std::vector<Rect>{{0, 0, 1, 1}}));

    region.SetRect({0, 0, 4, 4});
    region.Union(Make({2, 2, 6, 6}));
    EXPECT_TRUE(region.Contains({5, 5}));
    EXPECT_FALSE(region.Contains({5, 1}));
    region.Difference(Make({1, 1, 5, 5}));
    EXPECT_FALSE(region.Contains({3, 3}));
    EXPECT_TRUE(region.Contains({0, 3}));
    EXPECT_TRUE(region.Contains({5, 5}));
    EXPECT_EQ(region.GetExtents(), (Rect{0, 0, 6, 6}));
    region.Intersect(Make({4, 4, 10, 10}));
    EXPECT_EQ(region.GetRects(), (std::vector<Rect>{{5, 4, 6, 5}, {4, 5, 6, 6}}));
    region.Intersect(Make({0, 0, 2, 2}));
    EXPECT_TRUE(region.IsEmpty());

    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    region.SetRect({kMin, kMin, kMax, kMax});
    EXPECT_TRUE(region.Contains({kMin, kMax - 1}));
    EXPECT_FALSE(region.Contains({kMax, 0}));
}

TEST(RasterClip, EveryOperationStaysInsideTheClipRegion)
{
    OGWorld world(Rect{0, 0, 8, 6});
    Blank(world);
    // An L: a rectangle with its lower right corner cut away.
    auto clip = std::make_unique<Region>();
    clip->SetRect({1, 1, 7, 5});
    clip->Difference(Make({4, 3, 6, 5}));
    world.SetClipRegion(std::move(clip));
    DrawEverything(world);
    for (std::int32_t y = 0; y < 6; ++y)
    {
        for (std::int32_t x = 0; x < 8; ++x)
        {
            const bool inside = x >= 1 && x < 7 && y >= 1 && y < 5 && !(x >= 4 && x < 6 && y >= 3);
            if (!inside)
            {
                EXPECT_EQ(world.GetPixels().At(x, y), kWhite) << x << ", " << y;
            }
        }
    }
    // The paint itself covers exactly the region.
    Blank(world);
    world.PaintRect({0, 0, 8, 6});
    EXPECT_EQ(Art(world), Rows({
                              "........",
                              ".######.",
                              ".######.",
                              ".###..#.",
                              ".###..#.",
                              "........",
                          }));
    // Reading a pixel outside the clip gives the invalid colour, whatever
    // the buffer holds there.
    world.SetClipRegion(nullptr);
    world.PaintRect({4, 4, 5, 5});
    world.SetClipRegion(std::make_unique<Region>(Make({1, 1, 4, 4})));
    EXPECT_EQ(world.GetPixels().At(4, 4), kBlack);
    CVLCanvas::ColorSpec colour;
    world.GetPixel({4, 4}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{255, 255, 255}));
    world.GetPixel({1, 1}, colour);
    EXPECT_EQ(colour, (CVLCanvas::ColorSpec{0, 0, 0}));
    // Null removes the clip; an empty region lets nothing through.
    world.SetClipRegion(nullptr);
    world.PaintRect({0, 0, 8, 6});
    EXPECT_EQ(Art(world), Rows({
                              "########",
                              "########",
                              "########",
                              "########",
                              "########",
                              "########",
                          }));
    Blank(world);
    world.SetClipRect({3, 3, 3, 9});
    DrawEverything(world);
    EXPECT_EQ(Art(world), Rows({
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                              "........",
                          }));
}

TEST(RasterClip, NestedClipRectanglesIntersectInDeviceCoordinates)
{
    OGWorld world(Rect{0, 0, 8, 6});
    Blank(world);
    // A parent frame at (1, 1) clips to its 6 x 4 area; a child at (3, 0) of
    // the window clips to its own 5 x 3 area within the parent's.
    world.SetOrigin({-1, -1});
    const Rect parent = world.RectToDevice({0, 0, 6, 4});
    world.SetOrigin({-3, 0});
    auto clip = std::make_unique<Region>();
    clip->SetRect(world.RectToDevice({0, 0, 5, 3}));
    clip->Intersect(Make(parent));
    world.SetClipRegion(std::move(clip));
    world.PaintRect({-3, 0, 5, 6});
    world.SetForeColor(Colour(kRed));
    world.MoveTo({-3, 1});
    world.LineTo({4, 1});
    EXPECT_EQ(Art(world), Rows({
                              "........",
                              "...rrrr.",
                              "...####.",
                              "........",
                              "........",
                              "........",
                          }));
    // SetClipRect takes drawing coordinates as well.
    Blank(world);
    world.SetClipRect({0, 0, 2, 2});
    world.SetOrigin({});
    world.PaintRect({0, 0, 8, 6});
    EXPECT_EQ(Art(world), Rows({
                              "...rr...",
                              "...rr...",
                              "........",
                              "........",
                              "........",
                              "........",
                          }));
}

TEST(RasterClip, FloatingFrameSuspendingItsRegionPaintsItsAreaWhichOthersCannot)
{
    OGWorld world(Rect{0, 0, 10, 3});
    Blank(world);
    // A floating frame at (3, 0) of the window, 4 x 3, drawn with its origin.
    const Rect floatingArea{3, 0, 7, 3};
    world.AddProtectedRegion(kFloating, floatingArea, 2);
    world.AddProtectedRegion(kFloating, {0, 0, 10, 3},
                             2); // a second one for the same owner is ignored
    EXPECT_EQ(world.GetProtectedRegionCount(), 1);

    // Another frame repaints the whole window: not over the floating frame.
    world.SetClipExcludingProtected({0, 0, 10, 3});
    world.PaintRect({0, 0, 10, 3});
    EXPECT_EQ(Art(world), Rows({"###....###", "###....###", "###....###"}));

    // The floating frame suspends its own region and paints itself.
    world.SuspendProtectedRegion(kFloating, true);
    world.SetOrigin({-3, 0});
    world.SetClipExcludingProtected({0, 0, 4, 3});
    world.SetForeColor(Colour(kRed));
    world.PaintRect({-3, 0, 7, 3}); // more than its area: still only its area
    world.SuspendProtectedRegion(kFloating, false);
    world.SetOrigin({});
    EXPECT_EQ(Art(world), Rows({"###rrrr###", "###rrrr###", "###rrrr###"}));

    // Resumed, it is protected again from the others' paint.
    world.SetForeColor(Colour(kBlue));
    world.SetClipExcludingProtected({0, 0, 10, 3});
    world.PaintRect({0, 0, 10, 3});
    EXPECT_EQ(Art(world), Rows({"bbbrrrrbbb", "bbbrrrrbbb", "bbbrrrrbbb"}));

    // Suspending another owner's region (or none) changes nothing.
    world.SuspendProtectedRegion(kOther, true);
    world.SetForeColor(Colour(kGreen));
    world.SetClipExcludingProtected({0, 0, 10, 1});
    world.PaintRect({0, 0, 10, 3});
    EXPECT_EQ(Art(world), Rows({"gggrrrrggg", "bbbrrrrbbb", "bbbrrrrbbb"}));

    // Removed, nothing is protected.
    world.RemoveProtectedRegion(kFloating);
    EXPECT_EQ(world.GetProtectedRegionCount(), 0);
    world.SetClipExcludingProtected({0, 0, 10, 1});
    world.PaintRect({0, 0, 10, 3});
    EXPECT_EQ(Art(world), Rows({"gggggggggg", "bbbrrrrbbb", "bbbrrrrbbb"}));
}

} // namespace
