// The frame tree driven through an offscreen window as a host drives it.

#include "EditorTestSupport.h"

#include "gui/ControlContainer.h"
#include "gui/ErrorFrame.h"
#include "gui/FrameOverlay.h"
#include "model/GenericControl.h"

namespace
{

using namespace EditorTest;

class FrameTree : public EditorFixture
{
protected:
    // The error frame shown over the page, if any, and its text.
    ErrorFrame* Error()
    {
        for (Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (auto* error = dynamic_cast<ErrorFrame*>(child))
                return error;
        return nullptr;
    }
    std::string ErrorText() { return Error() ? Error()->GetText() : ""; }
};

// The invalid list keeps only the outermost frames, and a frame drawn without
// a permit only goes on it.
TEST_F(FrameTree, OnlyInvalidFramesRepaintAndTheWindowShowsThem)
{
    SolidFrame *a = nullptr, *b = nullptr, *parent = nullptr, *child = nullptr, *hidden = nullptr;
    Open(200, 60, [&](SolidFrame& page) {
        a = new SolidFrame(&page, {10, 10, 40, 30}, kRed);
        b = new SolidFrame(&page, {50, 10, 90, 30}, kBlue);
        parent = new SolidFrame(&page, {100, 0, 150, 50}, kRed);
        child = new SolidFrame(parent, {5, 5, 20, 20}, kBlue);
        hidden = new SolidFrame(parent, {25, 5, 40, 20}, kGreen);
        hidden->SetVisible(false, true);
    });
    EXPECT_EQ((std::vector{Pixel(20, 20), Pixel(60, 20), Pixel(5, 5)}), (std::vector{kRed, kBlue, kGrey}));
    const auto paints = [&] { return std::pair(mPage->paints, b->paints); };
    const auto before = paints();

    a->color = kGreen;
    a->Invalidate();
    EXPECT_EQ(mEditor->Paint(), (Rect{10, 10, 40, 30}));
    EXPECT_EQ((std::vector{Pixel(20, 20), Pixel(10, 10)}), (std::vector{kGreen, kGreen}));
    EXPECT_EQ(Pixel(40, 30), kGrey) << "right and bottom edges are outside";
    EXPECT_EQ(paints(), before);
    EXPECT_TRUE(mEditor->Paint().IsEmpty()) << "nothing left to paint";

    // Moving a frame repaints where it was (through its parent) and where it is.
    a->MoveTo(10, 35);
    mEditor->Paint();
    EXPECT_EQ(std::pair(Pixel(20, 20), Pixel(20, 40)), std::pair(kGrey, kGreen));

    PluginUIRoot& root = *mEditor;
    ASSERT_TRUE(root.GetInvalidFrames().empty());

    child->Invalidate();
    parent->Invalidate();
    EXPECT_EQ(root.GetInvalidFrames(), std::vector<Frame*>{parent}) << "a parent replaces its invalid children";
    child->Invalidate();
    EXPECT_EQ(root.GetInvalidFrames(), std::vector<Frame*>{parent}) << "a child of an invalid parent adds nothing";
    mEditor->Paint();
    hidden->Invalidate();
    EXPECT_EQ(root.GetInvalidFrames(), std::vector<Frame*>{parent}) << "an invisible frame stands for its parent";
    mEditor->Paint();

    // Without a permit a frame asked to draw only goes on the list.
    const int childPaints = child->paints;
    child->Draw(nullptr, true);
    EXPECT_EQ(std::pair(child->paints, root.GetInvalidFrames()), std::pair(childPaints, std::vector<Frame*>{child}));
    mEditor->Paint();
    EXPECT_EQ(child->paints, childPaints + 1);
}

TEST_F(FrameTree, AnchoredChildrenFollowTheirParentsResize)
{
    SolidFrame *box = nullptr, *right = nullptr, *stretch = nullptr, *bottom = nullptr, *free = nullptr;
    Open(200, 200, [&](SolidFrame& page) {
        box = new SolidFrame(&page, {0, 0, 100, 80}, kGrey);
        right = new SolidFrame(box, {70, 10, 90, 20}, kRed, FrameFlags::kAnchorRight | FrameFlags::kAnchorTop);
        stretch = new SolidFrame(box, {10, 30, 90, 40}, kRed, FrameFlags::kAnchorLeft | FrameFlags::kAnchorRight);
        bottom = new SolidFrame(box, {10, 60, 30, 75}, kRed,
                                FrameFlags::kAnchorTop | FrameFlags::kAnchorBottom | FrameFlags::kAnchorLeft);
        free = new SolidFrame(box, {40, 50, 50, 60}, kRed);
    });
    box->Resize(150, 100, true);
    // Margins before: right 10, stretch right 10, bottom 5.
    EXPECT_EQ((std::vector<Rect>{right->GetGlobalRect(), stretch->GetGlobalRect(), bottom->GetGlobalRect(),
                                 free->GetGlobalRect()}),
              (std::vector<Rect>{{120, 10, 140, 20}, {10, 30, 140, 40}, {10, 60, 30, 95}, {40, 50, 50, 60}}));
    mEditor->Paint();
    EXPECT_EQ(std::pair(Pixel(125, 15), Pixel(75, 15)), std::pair(kRed, kGrey));
}

TEST_F(FrameTree, HitTestingSkipsEdgesAndHiddenFramesInactiveFramesOnlyReportPressesAndDoubleClicksAreClose)
{
    SolidFrame *left = nullptr, *hidden = nullptr, *inactive = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        left = new SolidFrame(&page, {10, 10, 30, 30}, kRed);
        hidden = new SolidFrame(&page, {40, 10, 60, 30}, kBlue);
        inactive = new SolidFrame(&page, {70, 10, 90, 30}, kGreen);
        hidden->SetVisible(false, false);
        inactive->SetMouseActive(false);
    });
    Frame& master = *mEditor->GetMasterFrame();
    EXPECT_EQ(master.HitTest(20, 20, true), left);
    EXPECT_EQ(master.HitTest(10, 20, true), mPage) << "the left edge is outside";
    EXPECT_EQ(master.HitTest(20, 10, true), mPage) << "the top edge is outside";
    EXPECT_EQ(master.HitTest(29, 29, true), left);
    EXPECT_EQ(master.HitTest(50, 20, true), mPage) << "hidden frames are not hit";
    EXPECT_EQ(master.HitTest(50, 20, false), mPage);
    EXPECT_EQ(master.HitTest(80, 20, true), inactive);

    // Messages of the inactive frame: 5 for a press, nothing else.
    HeardMessages log(&mPlugin);
    log.Listen(inactive->GetPublisher(), 1);
    mEditor->Click({80, 20});
    ASSERT_EQ(log.heard.size(), 1u);
    EXPECT_EQ(std::get<0>(log.heard[0]), FrameEvents::kInactiveMouseDown);
    EXPECT_TRUE(inactive->events.empty());
    mEditor->Click({20, 20});
    EXPECT_EQ(std::pair(left->events.front(), left->events.back()),
              std::pair(Event{FrameEvents::kMouseEnter, 10, 10}, Event{FrameEvents::kMouseDown, 10, 10}));

    // A double click needs fewer than fifteen ticks and at most four pixels.
    // (ticks since the last click, where, a double click?)
    for (const auto& [ticks, at, twice] : {std::tuple(100u, Point{20, 20}, false), {14u, Point{24, 16}, true},
                                           {15u, Point{24, 16}, false}, {1u, Point{29, 16}, false}, {1u, Point{29, 20}, true}})
    {
        FakeClock::ms += ticks * 17;
        mEditor->Click(at);
        EXPECT_EQ(mEditor->IsDoubleClick(), twice) << ticks << " ticks to " << at.x << ", " << at.y;
    }
}

// The capture holds a drag's events even outside the frame; without a button
// held, moves reach only the frames that ask for them.
TEST_F(FrameTree, CaptureFollowsADragOutsideTheFrameAndHoverMovesReachOnlyFramesThatAskForThem)
{
    SolidFrame *drag = nullptr, *other = nullptr, *plain = nullptr, *tracking = nullptr;
    Open(200, 60, [&](SolidFrame& page) {
        drag = new SolidFrame(&page, {10, 10, 30, 30}, kRed);
        other = new SolidFrame(&page, {50, 10, 90, 50}, kBlue);
        plain = new SolidFrame(&page, {110, 10, 140, 40}, kRed);
        tracking = new SolidFrame(&page, {150, 10, 190, 40}, kBlue, FrameFlags::kHoverMoves);
        drag->capture = true;
    });
    mEditor->MouseDown({20, 20});
    ASSERT_EQ(mEditor->GetCapture(), drag);
    mEditor->MouseMove({60, 40});
    mEditor->MouseUp({70, 45});
    EXPECT_EQ(drag->events, (std::vector<Event>{{FrameEvents::kMouseEnter, 10, 10},
                                                {FrameEvents::kMouseDown, 10, 10},
                                                {FrameEvents::kMouseMove, 50, 30},
                                                {FrameEvents::kMouseUp, 60, 35}}));
    EXPECT_TRUE(other->events.empty());
    EXPECT_EQ(mEditor->GetCapture(), nullptr);
    EXPECT_EQ(mEditor->GetWindow()->GetCapturer(), nullptr);

    for (const Point p : {Point{120, 20}, Point{125, 25}, Point{160, 20}, Point{165, 25}, Point{165, 25}})
    {
        mEditor->GetWindow()->SetMousePosition(p);
        Tick(); // the last, with no change: nothing
    }
    EXPECT_EQ(plain->events, (std::vector<Event>{{FrameEvents::kMouseEnter, 10, 10}, {FrameEvents::kMouseLeave, -1, -1}}));
    EXPECT_EQ(tracking->events, (std::vector<Event>{{FrameEvents::kMouseEnter, 10, 10}, {FrameEvents::kMouseMove, 15, 15}}));
}

// So are failures while drawing, and of handlers of posted messages delivered
// from the idle call.
TEST_F(FrameTree, AnExceptionInAHandlerIsShownInAnErrorFrameThatTheNextClickDismisses)
{
    SolidFrame *broken = nullptr, *other = nullptr;
    Open(400, 300, [&](SolidFrame& page) {
        broken = new SolidFrame(&page, {10, 10, 50, 50}, kRed);
        other = new SolidFrame(&page, {100, 100, 390, 290}, kBlue);
    });
    for (int kind : {1, 2})
    {
        SCOPED_TRACE(kind);
        broken->throwOnDown = kind;
        mEditor->Click({20, 20});
        ErrorFrame* error = Error();
        ASSERT_NE(error, nullptr);
        EXPECT_TRUE(mPlatform.errors.empty()) << "shown in the editor, not in a box";
        EXPECT_EQ(error->GetText(), kind == 1 ? "An unknown error occurred."
                                              : "Cannot handle mouse click.\n\nThere is insufficient memory available.");
        EXPECT_EQ(error->GetSeverity(), 2);
        EXPECT_EQ(error->GetGlobalRect(), (Rect{70, 75, 330, 175}));
        mEditor->Paint();
        EXPECT_NE(Pixel(200, 120), kBlue) << "the error box is drawn over the frames";

        // It takes the next click anywhere, and goes at the next timer tick.
        other->events.clear();
        mEditor->Click({300, 250});
        EXPECT_TRUE(other->events.empty() || other->events.front().type == FrameEvents::kMouseEnter);
        EXPECT_EQ(std::ranges::count(other->events, FrameEvents::kMouseDown, &Event::type), 0);
        TimerTicks(2);
        EXPECT_EQ(Error(), nullptr);
        mEditor->Paint();
        EXPECT_EQ(Pixel(200, 120), kBlue);
    }
    broken->throwOnDraw = true;
    mEditor->Redraw({0, 0, 400, 300});
    broken->throwOnDraw = false;
    EXPECT_EQ(ErrorText(), "An unknown error occurred.");
    mEditor->Click({200, 150}); // dismiss
    TimerTicks(2);
    ASSERT_EQ(Error(), nullptr);
    struct Thrower : MessageSubscriber<Thrower>
    {
        using MessageSubscriber<Thrower>::MessageSubscriber;
        void On(std::int32_t what)
        {
            if (what == 1)
                throw std::bad_alloc();
        }
    } thrower(&mPlugin);
    thrower.Subscribe(broken->GetPublisher(), 1, &Thrower::On);
    mPlugin.GetMessagingServer().Post(broken->GetPublisher(), 1, 0, 0);
    mEditor->Idle();
    EXPECT_EQ(ErrorText(), "An unknown error occurred.\n\nThere is insufficient memory available.");
    mEditor->Click({200, 150});
    TimerTicks(2);

    // Text up to 229 pixels wide is centred on one line, longer text wraps.
    // Ink of the error box's text: the columns and rows where it is darker
    // than the box's light body, relative to the box at (70, 75).
    const auto ink = [this] {
        Rect box{1000, 1000, -1, -1};
        for (int y = 75 + 23; y < 175 - 1; ++y)
            for (int x = 70 + 1; x < 330 - 1; ++x)
                if (Pixel(x, y).red < 100)
                    box = {std::min(box.left, x - 70), std::min(box.top, y - 75), std::max(box.right, x - 70 + 1),
                           std::max(box.bottom, y - 75 + 1)};
        return box;
    };
    mPlugin.ReportError("Default settings saved.", "", 0, 1);
    mEditor->Paint();
    Rect shortText = ink();
    // One line on the baseline at 50 (the g of "settings" reaches below it),
    // centred on 15 + 229 / 2.
    EXPECT_TRUE(shortText.bottom >= 51 && shortText.bottom <= 54) << shortText.bottom;
    EXPECT_GE(shortText.top, 40);
    EXPECT_NEAR((shortText.left + shortText.right) / 2.0, 15 + 229 / 2.0, 2.0);

    mEditor->Click({1, 1});
    TimerTicks(2);
    mPlugin.ReportError("Unable to load settings.",
                        "These are not valid settings or the settings have been corrupted.", 0, 2);
    mEditor->Paint();
    Rect longText = ink();
    // Wrapped from the left of (15, 22) shifted by (-5, +12): several lines.
    EXPECT_NEAR(longText.left, 10, 2);
    EXPECT_LT(longText.top, 30);
    EXPECT_GT(longText.bottom - longText.top, 30);
    EXPECT_LE(longText.right, 250);
}

// A floating frame keeps the others' paint off its area but paints itself;
// buffered and transparent frames draw the same pixels as plain ones.
TEST_F(FrameTree, FloatingBufferedAndTransparentFrames)
{
    SolidFrame *buffered = nullptr, *clear = nullptr, *under = nullptr, *floating = nullptr;
    Open(200, 60, [&](SolidFrame& page) {
        buffered = new SolidFrame(&page, {10, 10, 30, 30}, kRed, FrameFlags::kBuffered);
        new SolidFrame(buffered, {5, 5, 10, 10}, kBlue);
        clear = new SolidFrame(&page, {50, 10, 70, 30}, kRed, FrameFlags::kTransparent);
        under = new SolidFrame(&page, {100, 0, 200, 60}, kBlue);
        floating = new SolidFrame(&page, {120, 20, 140, 40}, kRed, FrameFlags::kFloating1);
    });
    EXPECT_EQ(std::pair(Pixel(12, 12), Pixel(16, 16)), std::pair(kRed, kBlue));
    ASSERT_NE(mEditor->GetOffscreen(), nullptr);
    // Drawn by itself, a transparent frame has its parent paint first.
    mPage->color = kGreen;
    const int pagePaints = mPage->paints;
    clear->Draw(nullptr, true);
    {
        PluginUIRoot::DrawingPermit permit(*mEditor);
        clear->Draw(nullptr, true);
    }
    EXPECT_EQ(std::pair(mPage->paints, Pixel(60, 20)), std::pair(pagePaints + 1, kRed));

    EXPECT_EQ(Pixel(130, 30), kRed);
    under->color = kGreen;
    under->Invalidate();
    mEditor->Paint();
    EXPECT_EQ(Pixel(110, 10), kGreen);
    EXPECT_EQ(Pixel(130, 30), kRed) << "the floating frame's area stays its own";
    floating->color = kWhite;
    floating->Invalidate();
    mEditor->Paint();
    EXPECT_EQ(Pixel(130, 30), kWhite) << "it paints over itself";
    // Hidden, it protects nothing.
    floating->SetVisible(false, false);
    mEditor->Paint();
    EXPECT_EQ(std::pair(Pixel(130, 30), mEditor->GetWindow()->GetProtectedRegionCount()), std::pair(kGreen, 0));
}

// The host's colour codes: ViewBridgeTest.
TEST_F(FrameTree, ParameterHighlightsDrawCornerMarksAndControlContainersRefuseDuplicateIds)
{
    SolidFrame *knob = nullptr, *plain = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        knob = new SolidFrame(&page, {10, 10, 30, 30}, kGrey);
        plain = new SolidFrame(&page, {50, 10, 70, 30}, kGrey);
    });
    mEditor->AddParameterFrame(7, knob, 0);
    mEditor->AddParameterFrame(7, plain, 1); // style 1: no marks
    mEditor->SetParameterHighlight(7, true, 2);
    mEditor->Paint();
    // Local (r, b) = (19, 19): strokes (3,0)-(0,0)-(0,3) and mirrored.
    for (Point p : {Point{0, 0}, Point{3, 0}, Point{0, 3}, Point{19, 0}, Point{16, 0}, Point{19, 3}, Point{0, 19},
                    Point{3, 19}, Point{19, 19}, Point{19, 16}})
        EXPECT_EQ(Pixel(10 + p.x, 10 + p.y), kGreen) << p.x << "," << p.y;
    EXPECT_EQ((std::vector{Pixel(10 + 4, 10), Pixel(10 + 1, 10 + 1), Pixel(50, 10)}), std::vector(3, kGrey));

    mEditor->SetParameterHighlight(7, false, 0);
    mEditor->Paint();
    EXPECT_EQ(Pixel(10, 10), kGrey);
    EXPECT_EQ(knob->GetOverlay(), nullptr);

    // A destroyed frame leaves the registry.
    delete knob;
    mEditor->SetParameterHighlight(7, true, 1);

    // A control container refuses a duplicate id and passes value changes on.
    struct Panel : ControlContainer
    {
        using ControlContainer::ControlContainer;
        std::vector<std::int32_t> changed, removed, other;
        void OnControlValueChanged(std::int32_t id, MessageParam, MessageParam) override { changed.push_back(id); }
        void OnControlRemoved(std::int32_t id) override { removed.push_back(id); }
        void OnControlMessage(std::int32_t id, std::int32_t, MessageParam, MessageParam) override { other.push_back(id); }
    } panel(&mPlugin);
    auto first = std::make_unique<GenericControl>(&mPlugin, 0, 10, 0, 11);
    GenericControl second(&mPlugin, 0, 10, 0, 12);
    panel.AddControl(first.get(), 3);
    EXPECT_THROW(panel.AddControl(&second, 3), AppFrame::DuplicateEntry);
    EXPECT_EQ(AppFrame::LastErrorLocation().file, "ControlContainer");
    EXPECT_EQ(AppFrame::LastErrorLocation().line, 62);
    panel.AddControl(&second, 4);
    first->SetValue(5);
    second.SetValueSilently(6);
    EXPECT_EQ(panel.changed, std::vector<std::int32_t>{3});
    first.reset();
    EXPECT_EQ(panel.removed, std::vector<std::int32_t>{3});
    EXPECT_EQ(panel.GetControl(3), nullptr);
    EXPECT_EQ(panel.GetControl(4), &second);
}

} // namespace
