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
        return {.picture = mPicture.get(), .source = {0, 0}, .offset = {10, 0}, .hasPressed = pressedSet,
                .pressedSource = {0, 20}, .pressedOffset = {10, 0},
                .disabledSource = disabled ? Point{0, 40} : Point{-1, -1}};
    }
    // The grey level of the image the button at (x, y) shows.
    int Shown(std::int32_t x, std::int32_t y)
    {
        mEditor->Paint();
        return Pixel(x, y).red / 10 - 1;
    }

    std::unique_ptr<OGWorld> mPicture = ButtonPicture();
};

// Inactive, it shows its disabled image and ignores clicks.
TEST_F(Controls, ToggleButtonTogglesOnReleaseInsideShowsThePressedImageWhileHeldRefusesModifierClicksUnlessAccepted)
{
    BooleanButton *button = nullptr, *modified = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        button = new BooleanButton(&page, 10, 10, 10, 10, 0, 1, Images(false, true));
        modified = new BooleanButton(&page, 30, 10, 10, 10, 0, 2, Images(), false, 1);
    });
    const auto state = [&] { return std::pair(button->GetValue(), Shown(15, 15)); };
    EXPECT_EQ(state(), std::pair(0, 0));
    mEditor->MouseDown({15, 15});
    EXPECT_EQ(state(), std::pair(0, 1)) << "pressed: the other state's image";
    mEditor->MouseMove({50, 50});
    EXPECT_EQ(state(), std::pair(0, 0)) << "outside: the normal image again";
    mEditor->MouseMove({12, 12});
    mEditor->MouseUp({12, 12});
    EXPECT_EQ(state(), std::pair(1, 1));
    // Released outside: no change.
    mEditor->MouseDown({15, 15});
    mEditor->MouseUp({50, 50});
    EXPECT_EQ(button->GetValue(), 1);
    mEditor->Click({15, 15});
    EXPECT_EQ(std::pair(button->GetValue(), button->GetCursor()), std::pair(0, PixMapButton::kCursor));

    button->SetMouseActive(false);
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), (CVLCanvas::ColorSpec{0, 0, 200}));
    mEditor->Click({15, 15});
    EXPECT_EQ(std::pair(button->GetValue(), button->IsTracking()), std::pair(0, false));

    // Modifier clicks are refused unless accepted; a shift click can reset.
    modified->SetValue(0);
    mEditor->Click({35, 15}, {.ctrl = true});
    mEditor->Click({35, 15}, {.shift = true});
    mEditor->Click({35, 15}, {.ctrl = true, .shift = true});
    mEditor->Click({35, 15}, {.secondaryClick = true});
    EXPECT_EQ(modified->GetValue(), 0) << "every modifier click refused";

    modified->SetResetOnShiftClick(true);
    mEditor->MouseDown({35, 15}, {.shift = true});
    EXPECT_EQ(std::pair(modified->GetValue(), modified->IsTracking()), std::pair(1, false)) << "back to its default";
    EXPECT_EQ(mEditor->GetCapture(), nullptr);
    mEditor->MouseUp({35, 15});

    modified->SetAcceptsCtrlClick(true);
    mEditor->Click({35, 15}, {.ctrl = true});
    EXPECT_EQ(modified->GetValue(), 0);
}

// A multi-state button cycles its states with a pressed image each; a
// blinking one swaps its image every thirty ticks while on.
TEST_F(Controls, ActionButtonsReportOnReleaseOrOnPressMultiStateButtonsCycleAndBlinkingOnesBlink)
{
    ActionButton* action = nullptr;
    InstantActionButton* instant = nullptr;
    MultiStateButton* multi = nullptr;
    BlinkingBooleanButton* blinking = nullptr;
    PixMapButton::Images blinkImages = Images();
    blinkImages.source = {10, 0}; // twice that is (20, 0)
    Open(100, 60, [&](SolidFrame& page) {
        blinking = new BlinkingBooleanButton(&page, 70, 10, 10, 10, 0, 4, blinkImages);
        action = new ActionButton(&page, 10, 10, 10, 10, 0, 1, Images(true));
        instant = new InstantActionButton(&page, 30, 10, 10, 10, 0, 2, Images());
        multi = new MultiStateButton(&page, 50, 10, 10, 10, 0, 3, Images(), 2);
    });
    HeardMessages log(&mPlugin, ControlMessages::kValueChanged);
    log.Listen(action->GetMsgClass(), 1);
    log.Listen(instant->GetMsgClass(), 2);
    using Heard = decltype(log.heard);

    mEditor->MouseDown({15, 15});
    EXPECT_TRUE(log.heard.empty());
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), (CVLCanvas::ColorSpec{20, 0, 0}));
    mEditor->MouseUp({15, 15});
    EXPECT_EQ(log.heard, (Heard{{ControlMessages::kValueChanged, 1, 1}}));
    EXPECT_EQ(std::pair(action->GetValue(), Shown(15, 15)), std::pair(0, 0));

    log.heard.clear();
    mEditor->MouseDown({35, 15});
    EXPECT_EQ(log.heard, (Heard{{ControlMessages::kValueChanged, 2, 1}}));
    mEditor->MouseUp({35, 15});
    EXPECT_EQ(instant->GetValue(), 0);

    std::vector<int> values, images;
    for (int i = 0; i < 4; ++i)
    {
        mEditor->MouseDown({55, 15});
        images.push_back(Shown(55, 15));
        mEditor->MouseUp({55, 15});
        values.push_back(multi->GetValue());
        images.push_back(Shown(55, 15));
    }
    EXPECT_EQ(values, (std::vector<int>{1, 2, 0, 1}));
    // Image 2s + 1 while pressed, 2s after.
    EXPECT_EQ(images, (std::vector<int>{1, 2, 3, 4, 5, 0, 1, 2}));

    TimerTicks(31);
    EXPECT_FALSE(blinking->IsShowingAlternate()) << "off: no blinking";
    blinking->SetValue(1);
    std::vector<int> shown;
    for (int t = 0; t < 3; ++t)
        TimerTicks(30), shown.push_back(Shown(75, 15));
    // Value 1 shows image 1 from the normal source (10 + 10), or from the
    // alternate (20 + 10).
    EXPECT_EQ(shown, (std::vector<int>{3, 2, 3}));
    blinking->SetValue(0); // on the alternate image
    TimerTicks(60);
    EXPECT_FALSE(blinking->IsShowingAlternate()) << "ends on the normal image";
}

TEST_F(Controls, HeldIncrementStepsAtOnceThenAfterTwentyTicksThenEverySixThenEveryTickAndRadioKeepsOneOn)
{
    InstantActionButton *up = nullptr, *down = nullptr;
    BooleanButton* buttons[3] = {};
    Open(100, 60, [&](SolidFrame& page) {
        up = new InstantActionButton(&page, 10, 10, 10, 10, 0, 1, Images());
        down = new InstantActionButton(&page, 30, 10, 10, 10, 0, 2, Images());
        for (int i = 0; i < 3; ++i)
            buttons[i] = new BooleanButton(&page, 10 + 20 * i, 40, 10, 10, 0, i + 1, Images());
    });
    GenericControl target(&mPlugin, -1000, 1000, 0, 9);
    IncDecControlGroup group(&mPlugin, up, down, &target);

    // Press on a tick boundary; watch which tick each step comes on.
    FakeClock::ms = (FakeClock::ms / 17 + 1) * 17;
    mEditor->MouseDown({15, 15});
    std::vector<int> stepTicks, expected{0};
    for (int tick = 0, last = 0; tick <= 130; ++tick, TimerTicks(1))
        if (target.GetValue() != last)
            stepTicks.push_back(tick), last = target.GetValue();
    mEditor->MouseUp({15, 15});
    for (int t = 20; t <= 130; t += t < 120 ? 6 : 1)
        expected.push_back(t);
    EXPECT_EQ(stepTicks, expected);
    const int held = target.GetValue();
    TimerTicks(30);
    EXPECT_EQ(target.GetValue(), held) << "released: no more steps";
    mEditor->Click({35, 15});
    EXPECT_EQ(target.GetValue(), held - 1);

    // A radio group keeps exactly one member on.
    auto [a, b, c] = buttons;
    RadioControlGroup radio(&mPlugin, 77, 1);
    for (int i = 0; i < 3; ++i)
        radio.AddControl(buttons[i], i + 1);
    const auto state = [&] { return std::vector<int>{radio.GetValue(), a->GetValue(), b->GetValue(), c->GetValue()}; };
    radio.SetValue(1);
    EXPECT_EQ(state(), (std::vector<int>{1, 1, 0, 0}));
    mEditor->Click({55, 45});
    EXPECT_EQ(state(), (std::vector<int>{3, 0, 0, 1}));
    mEditor->Click({55, 45}); // switching the selected one off is undone
    EXPECT_EQ(state(), (std::vector<int>{3, 0, 0, 1}));
    radio.SetValue(2);
    EXPECT_EQ(state(), (std::vector<int>{2, 0, 1, 0}));
}

// It draws its text on the baseline above its bottom margin.
TEST_F(Controls, TextFrameDrawsOnTheBaselineAboveItsBottomMarginAndEditsInPlaceThroughTheTextEntryService)
{
    TextFrame *field = nullptr, *label = nullptr;
    Open(100, 60, [&](SolidFrame& page) {
        field = new TextFrame(&page, 10, 10, 60, 14, 0, 5, "-12.0", TextFrame::kLeft);
        label = new TextFrame(&page, 0, 40, 100, 20, FrameFlags::kTransparent, 6, "Hz", TextFrame::kRight);
    });
    // Transparent, it has the page repaint beneath it when it moves its text.
    label->SetMargins(4, 5);
    label->Invalidate();
    mEditor->Paint();
    // Baseline at 20 - 5 = 15: ink in rows above it, none below the descent.
    bool inkAbove = false, inkBelow = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            if (Pixel(x, 40 + y) != kGrey)
                (y <= 15 ? inkAbove : inkBelow) = true;
    EXPECT_EQ(std::pair(inkAbove, inkBelow), std::pair(true, false));
    EXPECT_EQ(label->TextOrigin(12), (Point{84, 15}));

    ScriptedTextEntry entry;
    mEditor->SetTextEntryService(&entry);
    field->SetEditMode(TextFrame::kEditOnClick);
    mEditor->Click({20, 15});
    ASSERT_NE(entry.pending, nullptr);
    EXPECT_EQ(std::pair(entry.shownAt, entry.shownText), std::pair(Rect{10, 10, 70, 24}, std::string("-12.0")));
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

// A selected colour swatch has a dashed border.
TEST_F(Controls, ColorPickerReportsThePixelUnderThePointerWhileDraggingAndTheSelectedSwatchHasADashedBorder)
{
    CVLCanvas::ColorPickerFrame* picker = nullptr;
    CVLCanvas::ColorFillFrame* swatch = nullptr;
    // The normal image is white; the one shown while hovering red and blue.
    auto palette = std::make_unique<OGWorld>(Rect{0, 0, 40, 40});
    for (const auto& [colour, rect] :
         {std::pair{kWhite, Rect{0, 0, 40, 20}}, {kRed, Rect{0, 20, 20, 40}}, {kBlue, Rect{20, 20, 40, 40}}})
    {
        palette->SetForeColor(colour);
        palette->PaintRect(rect);
    }
    Open(100, 60, [&](SolidFrame& page) {
        picker = new CVLCanvas::ColorPickerFrame(&page, 10, 10, 40, 20, 0, 6, palette.get(), {0, 0}, {0, 20});
        swatch = new CVLCanvas::ColorFillFrame(&page, 60, 10, 20, 10, 0, 7, {0, 0, 255});
    });
    EXPECT_EQ(Pixel(15, 15), kWhite);
    HeardMessages picked(&mPlugin, 0);
    picked.Listen(picker->GetPickClass(), 1);

    // The pointer arrives (hover image), presses on red, drags onto blue.
    mEditor->MouseDown({15, 15});
    EXPECT_TRUE(picker->IsHovering());
    mEditor->MouseMove({45, 15});
    mEditor->MouseUp({45, 15});
    EXPECT_EQ(picked.heard, (decltype(picked.heard){{0, 1, 0xff0000}, {0, 1, 0x0000ff}, {0, 1, 0x0000ff}}));
    EXPECT_EQ(std::pair(picker->GetPickedColor(), mEditor->GetCapture()), std::pair(kBlue, static_cast<Frame*>(nullptr)));
    mEditor->Paint();
    EXPECT_EQ(Pixel(15, 15), kRed);

    // Leaving brings the normal image back.
    mEditor->GetWindow()->SetMousePosition({80, 50});
    Tick();
    mEditor->Paint();
    EXPECT_EQ(std::pair(picker->IsHovering(), Pixel(15, 15)), std::pair(false, kWhite));

    EXPECT_EQ(Pixel(60, 10), kBlue);
    swatch->SetSelected(true);
    mEditor->Paint();
    // Along the top edge: 4 black, 4 white, 4 black...
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(Pixel(60 + x, 10), (x / 4) % 2 ? kWhite : kBlack) << x;
    EXPECT_EQ(Pixel(65, 15), kBlue);
    swatch->SetMouseActive(false);
    mEditor->Paint();
    EXPECT_EQ(std::pair(Pixel(65, 15), Pixel(64, 10)), std::pair(kBlack, kBlack)) << "no border while inactive";
}

} // namespace
