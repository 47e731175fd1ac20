// Each control behaviour driven by injected mouse events in simulated time.

#include "EditorTestSupport.h"

#include "gui/ColorFrames.h"
#include "gui/ControlGroups.h"
#include "gui/GraphicControl.h"
#include "gui/OGWorld.h"
#include "gui/TextFrame.h"

#include <optional>

namespace
{

using namespace EditorTest;

// A picture of button images 10 × 10, side by side: image i is filled with
// the grey level 10 × (i + 1); the pressed set is a row below, the disabled
// image at (0, 40).
std::unique_ptr<OGWorld> ButtonPicture()
{
    auto picture = std::make_unique<OGWorld>(Rect{0, 0, 100, 60});
    for (int i = 0; i < 10; ++i)
    {
        const auto level = static_cast<std::uint16_t>(10 * (i + 1));
        picture->SetForeColor({level, level, level});
        picture->PaintRect({i * 10, 0, i * 10 + 10, 10});
        picture->SetForeColor({level, 0, 0});
        picture->PaintRect({i * 10, 20, i * 10 + 10, 30});
    }
    picture->SetForeColor({0, 0, 200});
    picture->PaintRect({0, 40, 10, 50});
    return picture;
}

class Controls : public EditorFixture
{
protected:
    PixMapButton::Images Images(bool pressedSet = false, bool disabled = false) const
    {
        PixMapButton::Images images;
        images.picture = mPicture.get();
        images.source = {0, 0};
        images.offset = {10, 0};
        images.hasPressed = pressedSet;
        images.pressedSource = {0, 20};
        images.pressedOffset = {10, 0};
        if (disabled)
            images.disabledSource = {0, 40};
        return images;
    }
    // The grey level of the image the button at (x, y) shows.
    int Shown(std::int32_t x, std::int32_t y)
    {
        mEditor->Paint();
        return Pixel(x, y).red / 10 - 1;
    }

    std::unique_ptr<OGWorld> mPicture = ButtonPicture();
};

TEST_F(Controls, ToggleButtonTogglesOnReleaseInsideAndShowsThePressedImageWhileHeld)
{
    BooleanButton* button = nullptr;
    Open(100, 60, [&](SolidFrame& page) { button = new BooleanButton(&page, 10, 10, 10, 10, 0, 1, Images()); });
    EXPECT_EQ(Shown(15, 15), 0);
    mEditor->MouseDown({15, 15});
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_EQ(Shown(15, 15), 1) << "pressed: the other state's image";
    mEditor->MouseMove({50, 50});
    EXPECT_EQ(Shown(15, 15), 0) << "outside: the normal image again";
    mEditor->MouseMove({12, 12});
    mEditor->MouseUp({12, 12});
    EXPECT_EQ(button->GetValue(), 1);
    EXPECT_EQ(Shown(15, 15), 1);
    // Released outside: no change.
    mEditor->MouseDown({15, 15});
    mEditor->MouseUp({50, 50});
    EXPECT_EQ(button->GetValue(), 1);
    mEditor->Click({15, 15});
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_EQ(button->GetCursor(), PixMapButton::kCursor);
}

TEST_F(Controls, MultiStateButtonCyclesItsStatesWithAPressedImageEach)
{
    MultiStateButton* button = nullptr;
    Open(100, 60, [&](SolidFrame& page) { button = new MultiStateButton(&page, 10, 10, 10, 10, 0, 1, Images(), 2); });
    std::vector<int> values, images;
    for (int i = 0; i < 4; ++i)
    {
        mEditor->MouseDown({15, 15});
        images.push_back(Shown(15, 15));
        mEditor->MouseUp({15, 15});
        values.push_back(button->GetValue());
        images.push_back(Shown(15, 15));
    }
    EXPECT_EQ(values, (std::vector<int>{1, 2, 0, 1}));
    // Image 2s + 1 while pressed, 2s after.
    EXPECT_EQ(images, (std::vector<int>{1, 2, 3, 4, 5, 0, 1, 2}));
}

TEST_F(Controls, ActionButtonsReportOnReleaseOrOnPress)
{
    ActionButton* action = nullptr;
    InstantActionButton* instant = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        action = new ActionButton(&page, 10, 10, 10, 10, 0, 1, Images(true));
        instant = new InstantActionButton(&page, 30, 10, 10, 10, 0, 2, Images());
    });
    std::vector<std::pair<std::int32_t, MessageParam>> heard;
    struct Listener : MessageSubscriber<Listener>
    {
        using MessageSubscriber<Listener>::MessageSubscriber;
        std::vector<std::pair<std::int32_t, MessageParam>>* heard = nullptr;
        void On(std::int32_t what)
        {
            if (what == ControlMessages::kValueChanged)
                heard->push_back({GetCurrentSubRef(), GetCurrentP1()});
        }
    } listener(&mPlugin);
    listener.heard = &heard;
    listener.Subscribe(action->GetMsgClass(), 1, &Listener::On);
    listener.Subscribe(instant->GetMsgClass(), 2, &Listener::On);

    mEditor->MouseDown({15, 15});
    EXPECT_TRUE(heard.empty());
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), (CVLCanvas::ColorSpec{20, 0, 0}));
    mEditor->MouseUp({15, 15});
    EXPECT_EQ(heard, (std::vector<std::pair<std::int32_t, MessageParam>>{{1, 1}}));
    EXPECT_EQ(action->GetValue(), 0);
    EXPECT_EQ(Shown(15, 15), 0);

    heard.clear();
    mEditor->MouseDown({35, 15});
    EXPECT_EQ(heard, (std::vector<std::pair<std::int32_t, MessageParam>>{{2, 1}}));
    mEditor->MouseUp({35, 15});
    EXPECT_EQ(instant->GetValue(), 0);
}

TEST_F(Controls, AnInactiveButtonShowsItsDisabledImageAndIgnoresClicks)
{
    BooleanButton* button = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        button = new BooleanButton(&page, 10, 10, 10, 10, 0, 1, Images(false, true));
    });
    button->SetMouseActive(false);
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), (CVLCanvas::ColorSpec{0, 0, 200}));
    mEditor->Click({15, 15});
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_FALSE(button->IsTracking());
}

TEST_F(Controls, ModifierClicksAreRefusedUnlessAcceptedAndShiftClickCanReset)
{
    BooleanButton* button = nullptr;
    Open(100, 60, [&](SolidFrame& page) { button = new BooleanButton(&page, 10, 10, 10, 10, 0, 1, Images(), false, 1); });
    button->SetValue(0);
    mEditor->Click({15, 15}, {.ctrl = true});
    mEditor->Click({15, 15}, {.shift = true});
    mEditor->Click({15, 15}, {.ctrl = true, .shift = true});
    mEditor->Click({15, 15}, {.secondaryClick = true});
    EXPECT_EQ(button->GetValue(), 0) << "every modifier click refused";

    button->SetResetOnShiftClick(true);
    mEditor->MouseDown({15, 15}, {.shift = true});
    EXPECT_EQ(button->GetValue(), 1) << "back to its default";
    EXPECT_FALSE(button->IsTracking());
    EXPECT_EQ(mEditor->GetCapture(), nullptr);
    mEditor->MouseUp({15, 15});

    button->SetAcceptsCtrlClick(true);
    mEditor->Click({15, 15}, {.ctrl = true});
    EXPECT_EQ(button->GetValue(), 0);
}

TEST_F(Controls, BlinkingButtonSwapsItsImageEveryThirtyTicksWhileOn)
{
    BlinkingBooleanButton* button = nullptr;
    PixMapButton::Images images = Images();
    images.source = {10, 0}; // twice that is (20, 0)
    Open(100, 60, [&](SolidFrame& page) { button = new BlinkingBooleanButton(&page, 10, 10, 10, 10, 0, 1, images); });
    TimerTicks(31);
    EXPECT_FALSE(button->IsShowingAlternate()) << "off: no blinking";
    button->SetValue(1);
    std::vector<int> shown;
    for (int t = 0; t < 4; ++t)
    {
        TimerTicks(30);
        shown.push_back(Shown(15, 15));
    }
    // Value 1 shows image 1 from the normal source (10 + 10), or from the
    // alternate (20 + 10).
    EXPECT_EQ(shown, (std::vector<int>{3, 2, 3, 2}));
    button->SetValue(0);
    TimerTicks(60);
    EXPECT_FALSE(button->IsShowingAlternate()) << "ends on the normal image";
}

TEST_F(Controls, HeldIncrementStepsAtOnceThenAfterTwentyTicksThenEverySixThenEveryTick)
{
    InstantActionButton *up = nullptr, *down = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        up = new InstantActionButton(&page, 10, 10, 10, 10, 0, 1, Images());
        down = new InstantActionButton(&page, 30, 10, 10, 10, 0, 2, Images());
    });
    GenericControl target(&mPlugin, -1000, 1000, 0, 9);
    IncDecControlGroup group(&mPlugin, up, down, &target);

    // Press on a tick boundary; watch which tick each step comes on.
    FakeClock::ms = (FakeClock::ms / 17 + 1) * 17;
    mEditor->MouseDown({15, 15});
    std::vector<int> stepTicks;
    int last = target.GetValue();
    if (last == 1)
        stepTicks.push_back(0);
    for (int tick = 1; tick <= 130; ++tick)
    {
        TimerTicks(1);
        if (target.GetValue() != last)
        {
            stepTicks.push_back(tick);
            last = target.GetValue();
        }
    }
    mEditor->MouseUp({15, 15});
    std::vector<int> expected{0};
    for (int t = 20; t < 120; t += 6)
        expected.push_back(t);
    for (int t = 122; t <= 130; ++t)
        expected.push_back(t);
    EXPECT_EQ(stepTicks, expected);
    const int held = target.GetValue();
    TimerTicks(30);
    EXPECT_EQ(target.GetValue(), held) << "released: no more steps";
    mEditor->Click({35, 15});
    EXPECT_EQ(target.GetValue(), held - 1);
}

TEST_F(Controls, RadioGroupKeepsExactlyOneMemberOn)
{
    BooleanButton *a = nullptr, *b = nullptr, *c = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        a = new BooleanButton(&page, 10, 10, 10, 10, 0, 1, Images());
        b = new BooleanButton(&page, 30, 10, 10, 10, 0, 2, Images());
        c = new BooleanButton(&page, 50, 10, 10, 10, 0, 3, Images());
    });
    RadioControlGroup radio(&mPlugin, 77, 1);
    radio.AddControl(a, 1);
    radio.AddControl(b, 2);
    radio.AddControl(c, 3);
    radio.SetValue(1);
    EXPECT_EQ((std::vector<int>{a->GetValue(), b->GetValue(), c->GetValue()}), (std::vector<int>{1, 0, 0}));
    mEditor->Click({55, 15});
    EXPECT_EQ(radio.GetValue(), 3);
    EXPECT_EQ((std::vector<int>{a->GetValue(), b->GetValue(), c->GetValue()}), (std::vector<int>{0, 0, 1}));
    mEditor->Click({55, 15}); // switching the selected one off is undone
    EXPECT_EQ(radio.GetValue(), 3);
    EXPECT_EQ(c->GetValue(), 1);
    radio.SetValue(2);
    EXPECT_EQ((std::vector<int>{a->GetValue(), b->GetValue(), c->GetValue()}), (std::vector<int>{0, 1, 0}));
}

TEST_F(Controls, TextFrameEditsInPlaceThroughTheTextEntryService)
{
    TextFrame* field = nullptr;
    Open(100, 60, [&](SolidFrame& page) { field = new TextFrame(&page, 10, 10, 60, 14, 0, 5, "-12.0", TextFrame::kLeft); });
    ScriptedTextEntry entry;
    mEditor->SetTextEntryService(&entry);
    field->SetEditMode(TextFrame::kEditOnClick);
    mEditor->Click({20, 15});
    ASSERT_NE(entry.pending, nullptr);
    EXPECT_EQ(entry.shownAt, (Rect{10, 10, 70, 24}));
    EXPECT_EQ(entry.shownText, "-12.0");
    entry.pending->Accept("-6.5");
    EXPECT_EQ(field->GetText(), "-6.5");
    entry.pending->Accept("twice"); // one answer per entry
    EXPECT_EQ(field->GetText(), "-6.5");

    // Double-click mode: a single click opens nothing.
    field->SetEditMode(TextFrame::kEditOnDoubleClick);
    entry.pending.reset();
    FakeClock::ms += 1000;
    mEditor->Click({20, 15});
    EXPECT_EQ(entry.pending, nullptr);
    mEditor->Click({20, 15});
    ASSERT_NE(entry.pending, nullptr);
    // The frame goes before the answer comes: the answer reaches nobody.
    delete field;
    entry.pending->Accept("late");
    EXPECT_FALSE(entry.pending->IsConnected());
}

TEST_F(Controls, TextFrameDrawsOnTheBaselineAboveItsBottomMargin)
{
    TextFrame* field = nullptr;
    Open(100, 40, [&](SolidFrame& page) { field = new TextFrame(&page, 0, 0, 100, 20, FrameFlags::kTransparent, 5, "Hz",
                                                                           TextFrame::kRight); });
    // Transparent, it has the page repaint beneath it when it moves its text.
    field->SetMargins(4, 5);
    field->Invalidate();
    mEditor->Paint();
    // Baseline at 20 - 5 = 15: ink in rows above it, none below the descent.
    bool inkAbove = false, inkBelow = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            if (Pixel(x, y) != kGrey)
                (y <= 15 ? inkAbove : inkBelow) = true;
    EXPECT_TRUE(inkAbove);
    EXPECT_FALSE(inkBelow);
    EXPECT_EQ(field->TextOrigin(12), (Point{84, 15}));
}

TEST_F(Controls, ColorPickerReportsThePixelUnderThePointerWhileDragging)
{
    CVLCanvas::ColorPickerFrame* picker = nullptr;
    // The normal image is white; the one shown while hovering red and blue.
    auto palette = std::make_unique<OGWorld>(Rect{0, 0, 40, 40});
    palette->SetForeColor({255, 255, 255});
    palette->PaintRect({0, 0, 40, 20});
    palette->SetForeColor({255, 0, 0});
    palette->PaintRect({0, 20, 20, 40});
    palette->SetForeColor({0, 0, 255});
    palette->PaintRect({20, 20, 40, 40});
    Open(100, 60, [&](SolidFrame& page) {
        picker = new CVLCanvas::ColorPickerFrame(&page, 10, 10, 40, 20, 0, 6, palette.get(), {0, 0}, {0, 20});
    });
    EXPECT_EQ(Pixel(15, 15), kWhite);
    std::vector<MessageParam> picked;
    struct Listener : MessageSubscriber<Listener>
    {
        using MessageSubscriber<Listener>::MessageSubscriber;
        std::vector<MessageParam>* picked = nullptr;
        void On(std::int32_t what)
        {
            if (what == 0)
                picked->push_back(GetCurrentP1());
        }
    } listener(&mPlugin);
    listener.picked = &picked;
    listener.Subscribe(picker->GetPickClass(), 1, &Listener::On);

    // The pointer arrives (hover image), presses on red, drags onto blue.
    mEditor->MouseDown({15, 15});
    EXPECT_TRUE(picker->IsHovering());
    mEditor->MouseMove({45, 15});
    mEditor->MouseUp({45, 15});
    EXPECT_EQ(picked, (std::vector<MessageParam>{0xff0000, 0x0000ff, 0x0000ff}));
    EXPECT_EQ(picker->GetPickedColor(), (CVLCanvas::ColorSpec{0, 0, 255}));
    EXPECT_EQ(mEditor->GetCapture(), nullptr);
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), kRed);

    // Leaving brings the normal image back.
    mEditor->GetWindow()->SetMousePosition({80, 50});
    Tick();
    EXPECT_FALSE(picker->IsHovering());
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), kWhite);
}

TEST_F(Controls, SelectedColorSwatchHasADashedBorder)
{
    CVLCanvas::ColorFillFrame* swatch = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        swatch = new CVLCanvas::ColorFillFrame(&page, 10, 10, 20, 10, 0, 7, {0, 0, 255});
    });
    EXPECT_EQ(Pixel(10, 10), kBlue);
    swatch->SetSelected(true);
    mEditor->Paint();
    // Along the top edge: 4 black, 4 white, 4 black...
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(Pixel(10 + x, 10), (x / 4) % 2 ? kWhite : kBlack) << x;
    EXPECT_EQ(Pixel(15, 15), kBlue);
    swatch->SetMouseActive(false);
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), kBlack);
    EXPECT_EQ(Pixel(14, 10), kBlack) << "no border while inactive";
}

} // namespace
