// Regions and clipping: region arithmetic, drawing confined to a region, to
// nested clip rectangles and around the protected regions of floating frames.

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{

using namespace RasterTest;
using Region = RasterContext::RasterRegion;

// Frames are only compared by address here.
int gFloatingToken = 0, gOtherToken = 0;
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
    context.DrawTextInRect("WWWW WWWW WWWW", {-5, -20, 8, 0});
}

TEST(RasterClip, RegionsCombineLikeSetsEveryOperationStaysInsideTheClipAndNestedClipsIntersect)
{
    // A region starts as one pixel and combines like a set.
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
    region.SetRect({kMin, kMin, kMax, kMax});
    EXPECT_TRUE(region.Contains({kMin, kMax - 1}));
    EXPECT_FALSE(region.Contains({kMax, 0}));

    BlankWorld world(8, 6);
    // An L: a rectangle with its lower right corner cut away.
    auto clip = std::make_unique<Region>();
    clip->SetRect({1, 1, 7, 5});
    clip->Difference(Make({4, 3, 6, 5}));
    world.SetClipRegion(std::move(clip));
    DrawEverything(world);
    // Then a paint of the whole buffer: inside the L exactly, and outside it
    // nothing drawn before shows.
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
    EXPECT_EQ(std::pair(Read(world, {4, 4}), Read(world, {1, 1})), std::pair(Colour(kWhite), Colour(kBlack)));
    // Null removes the clip; an empty region lets nothing through.
    world.SetClipRegion(nullptr);
    world.PaintRect({0, 0, 8, 6});
    EXPECT_EQ(Art(world), Solid(8, 6, '#'));
    Blank(world);
    world.SetClipRect({3, 3, 3, 9});
    DrawEverything(world);
    EXPECT_EQ(Art(world), Solid(8, 6, '.'));

    // Nested clip rectangles intersect in device coordinates.
    BlankWorld nested(8, 4);
    // A parent frame at (1, 1) clips to its 6 x 4 area; a child at (3, 0) of
    // the window clips to its own 5 x 3 area within the parent's.
    nested.SetOrigin({-1, -1});
    const Rect parent = nested.RectToDevice({0, 0, 6, 4});
    nested.SetOrigin({-3, 0});
    auto child = std::make_unique<Region>(Make(nested.RectToDevice({0, 0, 5, 3})));
    child->Intersect(Make(parent));
    nested.SetClipRegion(std::move(child));
    nested.PaintRect({-3, 0, 5, 6});
    nested.SetForeColor(Colour(kRed));
    nested.MoveTo({-3, 1});
    nested.LineTo({4, 1});
    EXPECT_EQ(Art(nested), Rows({"........", "...rrrr.", "...####.", "........"}));
    // SetClipRect takes drawing coordinates as well.
    Blank(nested);
    nested.SetClipRect({0, 0, 2, 2});
    nested.SetOrigin({});
    nested.PaintRect({0, 0, 8, 6});
    EXPECT_EQ(Art(nested), Rows({"...rr...", "...rr...", "........", "........"}));
}

TEST(RasterClip, FloatingFrameSuspendingItsRegionPaintsItsAreaWhichOthersCannot)
{
    BlankWorld world(10, 3);
    // A floating frame at (3, 0) of the window, 4 x 3, drawn with its origin.
    world.AddProtectedRegion(kFloating, {3, 0, 7, 3}, 2);
    world.AddProtectedRegion(kFloating, {0, 0, 10, 3}, 2); // a second one for the same owner is ignored
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
