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
};

TEST_F(FrameTree, OnlyInvalidFramesRepaintAndTheWindowShowsThem)
{
    SolidFrame* a = nullptr;
    SolidFrame* b = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        a = new SolidFrame(&page, {10, 10, 40, 30}, kRed);
        b = new SolidFrame(&page, {50, 10, 90, 30}, kBlue);
    });
    EXPECT_EQ(Pixel(20, 20), kRed);
    EXPECT_EQ(Pixel(60, 20), kBlue);
    EXPECT_EQ(Pixel(5, 5), kGrey);
    const int pagePaints = mPage->paints;
    const int bPaints = b->paints;

    a->color = kGreen;
    a->Invalidate();
    EXPECT_EQ(mEditor->Paint(), (Rect{10, 10, 40, 30}));
    EXPECT_EQ(Pixel(20, 20), kGreen);
    EXPECT_EQ(Pixel(10, 10), kGreen);
    EXPECT_EQ(Pixel(40, 30), kGrey) << "right and bottom edges are outside";
    EXPECT_EQ(mPage->paints, pagePaints);
    EXPECT_EQ(b->paints, bPaints);
    EXPECT_TRUE(mEditor->Paint().IsEmpty()) << "nothing left to paint";

    // Moving a frame repaints where it was (through its parent) and where it is.
    a->MoveTo(10, 35);
    mEditor->Paint();
    EXPECT_EQ(Pixel(20, 20), kGrey);
    EXPECT_EQ(Pixel(20, 40), kGreen);
}

TEST_F(FrameTree, InvalidListKeepsOnlyTheOutermostFramesAndNeedsAPermitToDraw)
{
    SolidFrame* parent = nullptr;
    SolidFrame* child = nullptr;
    SolidFrame* hidden = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        parent = new SolidFrame(&page, {0, 0, 50, 50}, kRed);
        child = new SolidFrame(parent, {5, 5, 20, 20}, kBlue);
        hidden = new SolidFrame(parent, {25, 5, 40, 20}, kGreen);
        hidden->SetVisible(false, true);
    });
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
    const int paints = child->paints;
    child->Draw(nullptr, true);
    EXPECT_EQ(child->paints, paints);
    EXPECT_EQ(root.GetInvalidFrames(), std::vector<Frame*>{child});
    mEditor->Paint();
    EXPECT_EQ(child->paints, paints + 1);
}

TEST_F(FrameTree, AnchoredChildrenFollowTheirParentsResize)
{
    SolidFrame* box = nullptr;
    SolidFrame *right = nullptr, *stretch = nullptr, *bottom = nullptr, *free = nullptr;
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
    EXPECT_EQ(right->GetPosition(), (Point{120, 10}));
    EXPECT_EQ(right->GetWidth(), 20);
    EXPECT_EQ(stretch->GetPosition(), (Point{10, 30}));
    EXPECT_EQ(stretch->GetWidth(), 130);
    EXPECT_EQ(bottom->GetPosition(), (Point{10, 60}));
    EXPECT_EQ(bottom->GetHeight(), 35);
    EXPECT_EQ(free->GetPosition(), (Point{40, 50}));
    EXPECT_EQ(right->GetGlobalRect(), (Rect{120, 10, 140, 20}));
    mEditor->Paint();
    EXPECT_EQ(Pixel(125, 15), kRed);
    EXPECT_EQ(Pixel(75, 15), kGrey);
}

TEST_F(FrameTree, HitTestingSkipsEdgesAndHiddenFramesAndInactiveFramesOnlyReportPresses)
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
    std::vector<std::int32_t> codes;
    struct Listener : MessageSubscriber<Listener>
    {
        using MessageSubscriber<Listener>::MessageSubscriber;
        std::vector<std::int32_t>* codes = nullptr;
        void On(std::int32_t what) { codes->push_back(what); }
    } listener(&mPlugin);
    listener.codes = &codes;
    listener.Subscribe(inactive->GetPublisher(), 1, &Listener::On);
    mEditor->Click({80, 20});
    EXPECT_EQ(codes, std::vector<std::int32_t>{FrameEvents::kInactiveMouseDown});
    EXPECT_TRUE(inactive->events.empty());
    mEditor->Click({20, 20});
    EXPECT_EQ(left->events.front(), (Event{FrameEvents::kMouseEnter, 10, 10}));
    EXPECT_EQ(left->events.back(), (Event{FrameEvents::kMouseDown, 10, 10}));
}

TEST_F(FrameTree, CaptureFollowsADragOutsideTheFrame)
{
    SolidFrame* drag = nullptr;
    SolidFrame* other = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        drag = new SolidFrame(&page, {10, 10, 30, 30}, kRed);
        other = new SolidFrame(&page, {50, 10, 90, 50}, kBlue);
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
}

TEST_F(FrameTree, HoverMovesReachOnlyFramesThatAskForThem)
{
    SolidFrame* plain = nullptr;
    SolidFrame* tracking = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        plain = new SolidFrame(&page, {10, 10, 40, 40}, kRed);
        tracking = new SolidFrame(&page, {50, 10, 90, 40}, kBlue, FrameFlags::kHoverMoves);
    });
    const auto hover = [this](Point p) {
        mEditor->GetWindow()->SetMousePosition(p);
        Tick();
    };
    hover({20, 20});
    hover({25, 25});
    hover({60, 20});
    hover({65, 25});
    hover({65, 25}); // no change: nothing
    EXPECT_EQ(plain->events, (std::vector<Event>{{FrameEvents::kMouseEnter, 10, 10}, {FrameEvents::kMouseLeave, -1, -1}}));
    EXPECT_EQ(tracking->events, (std::vector<Event>{{FrameEvents::kMouseEnter, 10, 10}, {FrameEvents::kMouseMove, 15, 15}}));
}

TEST_F(FrameTree, AnExceptionInAHandlerIsShownInAnErrorFrameThatTheNextClickDismisses)
{
    SolidFrame* broken = nullptr;
    SolidFrame* other = nullptr;
    Open(400, 300, [&](SolidFrame& page) {
        broken = new SolidFrame(&page, {10, 10, 50, 50}, kRed);
        other = new SolidFrame(&page, {100, 100, 390, 290}, kBlue);
    });
    const auto errorFrame = [this]() -> ErrorFrame* {
        for (Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (auto* error = dynamic_cast<ErrorFrame*>(child))
                return error;
        return nullptr;
    };
    for (int kind : {1, 2})
    {
        SCOPED_TRACE(kind);
        broken->throwOnDown = kind;
        mEditor->Click({20, 20});
        ErrorFrame* error = errorFrame();
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
        EXPECT_EQ(std::count_if(other->events.begin(), other->events.end(),
                                [](const Event& e) { return e.type == FrameEvents::kMouseDown; }),
                  0);
        TimerTicks(2);
        EXPECT_EQ(errorFrame(), nullptr);
        mEditor->Paint();
        EXPECT_EQ(Pixel(200, 120), kBlue);
    }
}

TEST_F(FrameTree, FailuresWhileDrawingOrIdlingAreReportedToo)
{
    SolidFrame* broken = nullptr;
    Open(400, 300, [&](SolidFrame& page) { broken = new SolidFrame(&page, {10, 10, 50, 50}, kRed); });
    const auto errorText = [this]() -> std::string {
        for (Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (auto* error = dynamic_cast<ErrorFrame*>(child))
                return error->GetText();
        return "";
    };
    broken->throwOnDraw = true;
    mEditor->Redraw({0, 0, 400, 300});
    broken->throwOnDraw = false;
    EXPECT_EQ(errorText(), "An unknown error occurred.");

    // A handler of a posted message that throws, delivered from the idle call.
    mEditor->Click({200, 150}); // dismiss
    TimerTicks(2);
    ASSERT_EQ(errorText(), "");
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
    EXPECT_EQ(errorText(), "An unknown error occurred.\n\nThere is insufficient memory available.");
}

TEST_F(FrameTree, ErrorTextUpTo229PixelsIsCentredOnOneLineAndLongerTextWraps)
{
    Open(400, 300, nullptr);
    // Ink of the error box's text: the columns and rows where it is darker
    // than the box's light body, relative to the box at (70, 75).
    const auto ink = [this]() {
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
    EXPECT_GE(shortText.bottom, 51);
    EXPECT_LE(shortText.bottom, 54);
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

TEST_F(FrameTree, DoubleClickNeedsFewerThanFifteenTicksAndAtMostFourPixels)
{
    Open(100, 60, nullptr);
    const auto clickAfter = [this](std::uint32_t ticks, Point p) {
        FakeClock::ms += ticks * 17;
        mEditor->Click(p);
        return mEditor->IsDoubleClick();
    };
    EXPECT_FALSE(clickAfter(100, {20, 20}));
    EXPECT_TRUE(clickAfter(14, {24, 16}));
    EXPECT_FALSE(clickAfter(15, {24, 16}));
    EXPECT_FALSE(clickAfter(1, {29, 16}));
    EXPECT_TRUE(clickAfter(1, {29, 20}));
}

TEST_F(FrameTree, AFloatingFrameKeepsOthersPaintOffItsAreaButPaintsItself)
{
    SolidFrame* under = nullptr;
    SolidFrame* floating = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        under = new SolidFrame(&page, {0, 0, 100, 60}, kBlue);
        floating = new SolidFrame(&page, {20, 20, 40, 40}, kRed, FrameFlags::kFloating1);
    });
    EXPECT_EQ(Pixel(30, 30), kRed);
    under->color = kGreen;
    under->Invalidate();
    mEditor->Paint();
    EXPECT_EQ(Pixel(10, 10), kGreen);
    EXPECT_EQ(Pixel(30, 30), kRed) << "the floating frame's area stays its own";
    floating->color = kWhite;
    floating->Invalidate();
    mEditor->Paint();
    EXPECT_EQ(Pixel(30, 30), kWhite) << "it paints over itself";
    // Hidden, it protects nothing.
    floating->SetVisible(false, false);
    mEditor->Paint();
    EXPECT_EQ(Pixel(30, 30), kGreen);
    EXPECT_EQ(mEditor->GetWindow()->GetProtectedRegionCount(), 0);
}

TEST_F(FrameTree, BufferedAndTransparentFramesDrawTheSamePixels)
{
    SolidFrame* buffered = nullptr;
    SolidFrame* clear = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        buffered = new SolidFrame(&page, {10, 10, 30, 30}, kRed, FrameFlags::kBuffered);
        new SolidFrame(buffered, {5, 5, 10, 10}, kBlue);
        clear = new SolidFrame(&page, {50, 10, 70, 30}, kRed, FrameFlags::kTransparent);
    });
    EXPECT_EQ(Pixel(12, 12), kRed);
    EXPECT_EQ(Pixel(16, 16), kBlue);
    ASSERT_NE(mEditor->GetOffscreen(), nullptr);
    // Drawn by itself, a transparent frame has its parent paint first.
    mPage->color = kGreen;
    const int pagePaints = mPage->paints;
    clear->Draw(nullptr, true);
    {
        PluginUIRoot::DrawingPermit permit(*mEditor);
        clear->Draw(nullptr, true);
    }
    EXPECT_EQ(mPage->paints, pagePaints + 1);
    EXPECT_EQ(Pixel(60, 20), kRed);
}

TEST_F(FrameTree, ParameterHighlightsDrawCornerMarksInTheHostsColour)
{
    SolidFrame* knob = nullptr;
    SolidFrame* plain = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        knob = new SolidFrame(&page, {10, 10, 30, 30}, kGrey);
        plain = new SolidFrame(&page, {50, 10, 70, 30}, kGrey);
    });
    mEditor->AddParameterFrame(7, knob, 0);
    mEditor->AddParameterFrame(7, plain, 1); // style 1: no marks
    mEditor->SetParameterHighlight(7, true, 2);
    mEditor->Paint();
    const CVLCanvas::ColorSpec green{0, 255, 0};
    // Local (r, b) = (19, 19): strokes (3,0)-(0,0)-(0,3) and mirrored.
    for (Point p : {Point{0, 0}, Point{3, 0}, Point{0, 3}, Point{19, 0}, Point{16, 0}, Point{19, 3}, Point{0, 19},
                    Point{3, 19}, Point{19, 19}, Point{19, 16}})
        EXPECT_EQ(Pixel(10 + p.x, 10 + p.y), green) << p.x << "," << p.y;
    EXPECT_EQ(Pixel(10 + 4, 10), kGrey);
    EXPECT_EQ(Pixel(10 + 1, 10 + 1), kGrey);
    EXPECT_EQ(Pixel(50, 10), kGrey);

    mEditor->SetParameterHighlight(7, true, 9); // any other code: red
    mEditor->Paint();
    EXPECT_EQ(Pixel(10, 10), kRed);
    mEditor->SetParameterHighlight(7, false, 0);
    mEditor->Paint();
    EXPECT_EQ(Pixel(10, 10), kGrey);
    EXPECT_EQ(knob->GetOverlay(), nullptr);

    // A destroyed frame leaves the registry.
    delete knob;
    mEditor->SetParameterHighlight(7, true, 1);
}

TEST_F(FrameTree, ControlContainerRefusesADuplicateIdAndPassesValueChangesOn)
{
    Open(10, 10, nullptr);
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
    try
    {
        panel.AddControl(&second, 3);
        ADD_FAILURE() << "a duplicate id was taken";
    }
    catch (const AppFrame::DuplicateEntry&)
    {
        EXPECT_EQ(AppFrame::LastErrorLocation().file, "ControlContainer");
        EXPECT_EQ(AppFrame::LastErrorLocation().line, 62);
    }
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
