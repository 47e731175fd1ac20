#include "gui/GraphicControl.h"

#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"

GraphicControl::GraphicControl(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, std::uint32_t flags, std::int32_t id, std::int32_t minimum,
                               std::int32_t maximum, std::int32_t defaultValue, CentralController* controller)
    : Frame(parent, x, y, width, height, flags, id),
      GenericControl(parent->GetRoot()->GetPluginServices(), minimum, maximum, defaultValue, id, controller)
{
}

void GraphicControl::Redisplay()
{
    Draw(nullptr, true);
}

void GraphicControl::SetHilite(bool hilite)
{
    if (hilite == mHilite)
        return;
    mHilite = hilite;
    Draw(nullptr, true);
}

void GraphicControl::OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y)
{
    MessagingServer& server = GenericControl::GetMessagingServer();
    if (type == FrameEvents::kMouseDown)
    {
        DrawContext* window = GetRoot()->GetWindowContext();
        const bool ctrlShift = window && window->IsCtrlShiftDown();
        const bool ctrl = window && window->IsCtrlDown();
        const bool shift = window && window->IsShiftDown();
        if ((ctrlShift && !mAcceptCtrlShift) || (ctrl && !mAcceptCtrl) ||
            (shift && !mAcceptShift && !mResetOnShift))
            return;
        if (shift && mResetOnShift)
        {
            ResetToDefault();
            return;
        }
        if (!IsMouseActive())
            return;
        server.Deliver(GetMsgClass(), ControlMessages::kTrackingBegan, GetValue(), 0);
        SetHilite(true);
        GetRoot()->SetCapture(this);
        mTracking = true;
        mInside = true;
        OnTrackingBegan();
        return;
    }
    if (!mTracking)
        return;
    if (type == FrameEvents::kMouseMove)
    {
        const Rect& global = GetGlobalRect();
        const Point p = LocalToGlobal({x, y});
        const bool inside = global.left < p.x && p.x < global.right && global.top < p.y && p.y < global.bottom;
        if (inside != mInside)
        {
            mInside = inside;
            SetHilite(!mHilite);
        }
        server.Deliver(GetMsgClass(), ControlMessages::kTrackingMoved, x, y);
        return;
    }
    if (type == FrameEvents::kMouseUp)
    {
        // Where the button comes up counts, whether or not a move said so first.
        const Rect& global = GetGlobalRect();
        const Point p = LocalToGlobal({x, y});
        const bool inside = global.left < p.x && p.x < global.right && global.top < p.y && p.y < global.bottom;
        SetHilite(false);
        if (GetRoot()->GetCapture() == this)
            GetRoot()->ReleaseCapture();
        mTracking = false;
        OnTrackingEnded(inside);
        server.Deliver(GetMsgClass(), ControlMessages::kTrackingEnded, GetValue(), 0);
        Draw(nullptr, true);
    }
}

// ------------------------------------------------------------ PixMapButton

PixMapButton::PixMapButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           std::uint32_t flags, std::int32_t id, const Images& images, std::int32_t states,
                           std::int32_t mode, bool toggleOnPress, std::int32_t defaultValue,
                           CentralController* controller)
    : GraphicControl(parent, x, y, width, height, flags, id, 0, states, defaultValue, controller), mImages(images),
      mStates(states < 1 ? 1 : states), mMode(mode), mToggleOnPress(toggleOnPress)
{
    SetCursor(kCursor, false);
}

std::int32_t PixMapButton::GetImageIndex() const
{
    const std::int32_t state = GetValue() % (mStates + 1);
    const bool hilite = IsHilited();
    if (mMode == kModeMultiState)
        return state * 2 + (hilite ? 1 : 0);
    if (hilite && (mMode == kModeAction || !mToggleOnPress))
        return state == 0 ? 1 : 0;
    return state;
}

Point PixMapButton::GetImageSource() const
{
    if (!IsMouseActive() && mImages.disabledSource.x >= 0)
        return mImages.disabledSource;
    const std::int32_t index = GetImageIndex();
    if (mImages.hasPressed && IsHilited())
        return {mImages.pressedSource.x + mImages.pressedOffset.x * index,
                mImages.pressedSource.y + mImages.pressedOffset.y * index};
    return {mImages.source.x + mImages.offset.x * index, mImages.source.y + mImages.offset.y * index};
}

void PixMapButton::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    if (!mImages.picture)
        return;
    const Point source = GetImageSource();
    context.CopyBits(*mImages.picture, {source.x, source.y, source.x + GetWidth(), source.y + GetHeight()}, {0, 0},
                     false);
}

void PixMapButton::Advance()
{
    SetValue((GetValue() + 1) % (mStates + 1));
}

void PixMapButton::OnTrackingBegan()
{
    if (mToggleOnPress && mMode != kModeAction)
        Advance();
}

void PixMapButton::OnTrackingEnded(bool inside)
{
    if (!inside)
        return;
    if (mMode == kModeAction)
    {
        SetValue(1);
        SetValueSilently(0);
        return;
    }
    if (!mToggleOnPress)
        Advance();
}

void InstantActionButton::OnTrackingBegan()
{
    SetValue(1);
}

void InstantActionButton::OnTrackingEnded(bool /*inside*/)
{
    SetValueSilently(0);
}

// ------------------------------------------------------------ BlinkingBooleanButton

BlinkingBooleanButton::BlinkingBooleanButton(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                                             std::int32_t height, std::uint32_t flags, std::int32_t id,
                                             const Images& images, bool toggleOnPress, std::int32_t defaultValue,
                                             CentralController* controller)
    : BooleanButton(parent, x, y, width, height, flags, id, images, toggleOnPress, defaultValue, controller),
      TimerClient<BlinkingBooleanButton>(parent->GetRoot()->GetPluginServices(), this), mNormalSource(images.source)
{
    AddTimer(TimerManager::Periodic, kBlinkTicks, &BlinkingBooleanButton::Blink, 1);
}

void BlinkingBooleanButton::Blink()
{
    if (GetValue() != 1 && !mAlternate)
        return;
    mAlternate = !mAlternate;
    SetSource(mAlternate ? Point{mNormalSource.x * 2, mNormalSource.y * 2} : mNormalSource);
    Draw(nullptr, true);
}
