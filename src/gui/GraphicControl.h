#pragma once
// Controls that are frames: a value (GenericControl) shown in a rectangle that
// tracks the mouse. A press takes the mouse capture and shows the pressed
// look; moving out of the frame and back toggles it; the release ends the
// tracking. Skin buttons draw one image per state from a picture that holds
// them all at fixed offsets.
//
// Threads: UI thread only.

#include "core/TimerClient.h"
#include "gui/Frame.h"
#include "model/GenericControl.h"

#include <cstdint>

class GraphicControl : public Frame, public GenericControl
{
public:
    GraphicControl(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   std::uint32_t flags, std::int32_t id, std::int32_t minimum, std::int32_t maximum,
                   std::int32_t defaultValue, CentralController* controller = nullptr);

    using Frame::GetId;

    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // Which modifier clicks the control takes; a click with another is refused.
    void SetResetOnShiftClick(bool on) { mResetOnShift = on; }
    void SetAcceptsCtrlShiftClick(bool on) { mAcceptCtrlShift = on; }
    void SetAcceptsCtrlClick(bool on) { mAcceptCtrl = on; }
    void SetAcceptsShiftClick(bool on) { mAcceptShift = on; }

    bool IsTracking() const { return mTracking; }
    bool IsPointerInside() const { return mInside; }
    bool IsHilited() const { return mHilite; }

protected:
    void Redisplay() override;
    void SetHilite(bool hilite);
    // Hooks around the tracking, after the messages of each step.
    virtual void OnTrackingBegan() {}
    virtual void OnTrackingEnded(bool /*inside*/) {}

private:
    bool mTracking = false;
    bool mInside = false;
    bool mHilite = false;
    bool mResetOnShift = false;
    bool mAcceptCtrlShift = false;
    bool mAcceptCtrl = false;
    bool mAcceptShift = false;
};

// One picture, state images at fixed offsets. Modes: 0 multi-state (values
// 0..N, each with a normal and a pressed image), 1 action, 2 toggle.
class PixMapButton : public GraphicControl
{
public:
    static constexpr std::int32_t kModeMultiState = 0;
    static constexpr std::int32_t kModeAction = 1;
    static constexpr std::int32_t kModeToggle = 2;
    static constexpr std::int16_t kCursor = 2000;

    struct Images
    {
        DrawContext* picture = nullptr; // not owned
        Point source;                    // image of state 0
        Point offset;                    // from one image to the next
        // A second set for the pressed look (used while pressed), or none.
        bool hasPressed = false;
        Point pressedSource;
        Point pressedOffset;
        // The image of a frame that is not mouse-active; x < 0 when none.
        Point disabledSource{-1, -1};
    };

    PixMapButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                 std::uint32_t flags, std::int32_t id, const Images& images, std::int32_t states, std::int32_t mode,
                 bool toggleOnPress = false, std::int32_t defaultValue = 0, CentralController* controller = nullptr);

    void DrawContent(DrawContext& context, const Rect& rect) override;

    // The image index drawn for the current value and look.
    std::int32_t GetImageIndex() const;
    // Where the drawn image starts in the picture.
    Point GetImageSource() const;
    std::int32_t GetMode() const { return mMode; }
    const Images& GetImages() const { return mImages; }

protected:
    void OnTrackingBegan() override;
    void OnTrackingEnded(bool inside) override;
    void SetSource(Point source) { mImages.source = source; }
    void Advance();

    Images mImages;
    std::int32_t mStates = 1; // N: the value runs 0..N
    std::int32_t mMode = 0;
    bool mToggleOnPress = false;
};

class MultiStateButton : public PixMapButton
{
public:
    MultiStateButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t flags, std::int32_t id, const Images& images, std::int32_t states,
                     std::int32_t defaultValue = 0, CentralController* controller = nullptr)
        : PixMapButton(parent, x, y, width, height, flags, id, images, states, kModeMultiState, false, defaultValue,
                       controller)
    {
    }
};

// Reports 1 when released over the button, then shows 0 again.
class ActionButton : public PixMapButton
{
public:
    ActionButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                 std::uint32_t flags, std::int32_t id, const Images& images, CentralController* controller = nullptr)
        : PixMapButton(parent, x, y, width, height, flags, id, images, 1, kModeAction, false, 0, controller)
    {
    }
};

// Reports 1 as soon as it is pressed, and 0 when released.
class InstantActionButton : public ActionButton
{
public:
    using ActionButton::ActionButton;

protected:
    void OnTrackingBegan() override;
    void OnTrackingEnded(bool inside) override;
};

class BooleanButton : public PixMapButton
{
public:
    BooleanButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                  std::uint32_t flags, std::int32_t id, const Images& images, bool toggleOnPress = false,
                  std::int32_t defaultValue = 0, CentralController* controller = nullptr)
        : PixMapButton(parent, x, y, width, height, flags, id, images, 1, kModeToggle, toggleOnPress, defaultValue,
                       controller)
    {
    }
};

// A toggle that blinks while on: every 30 ticks it swaps its source point
// between the normal one and twice the normal one.
class BlinkingBooleanButton : public BooleanButton, public TimerClient<BlinkingBooleanButton>
{
public:
    static constexpr std::int32_t kBlinkTicks = 30;

    BlinkingBooleanButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                          std::uint32_t flags, std::int32_t id, const Images& images, bool toggleOnPress = false,
                          std::int32_t defaultValue = 0, CentralController* controller = nullptr);

    bool IsShowingAlternate() const { return mAlternate; }

private:
    void Blink();

    Point mNormalSource;
    bool mAlternate = false;
};
