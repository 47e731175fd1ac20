#include "gui/Frame.h"

#include "gui/DrawContext.h"
#include "gui/FrameOverlay.h"
#include "gui/OGWorld.h"
#include "gui/PluginUIRoot.h"

#include <algorithm>
#include <atomic>

namespace
{
std::atomic<std::int32_t> gLiveFrames{0};

// Positions and margins travel as signed 16-bit values between coordinate
// systems.
std::int32_t As16(std::int32_t value)
{
    return static_cast<std::int16_t>(value);
}
} // namespace

std::int32_t Frame::GetLiveCount()
{
    return gLiveFrames.load();
}

Frame::Frame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
             std::uint32_t flags, std::int32_t id)
    : mFlags(flags), mRoot(parent ? parent->mRoot : nullptr), mId(id), mParent(parent)
{
    if (!parent)
        throw AppFrame::BadParameter();
    x += parent->mChildOrigin.x;
    y += parent->mChildOrigin.y;
    Construct(x, y, width, height);
}

Frame::Frame(PluginUIRoot* root, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
             std::uint32_t flags, std::int32_t id)
    : mFlags(flags), mRoot(root), mId(id)
{
    if (!root)
        throw AppFrame::BadParameter();
    Construct(x, y, width, height);
}

void Frame::Construct(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    mWindowContext = mRoot->GetWindowContext();
    mContext = mWindowContext;
    if (mRoot->ViewBuffersItsDrawing() && !(mFlags & FrameFlags::kAlwaysBuffered))
        mFlags &= ~FrameFlags::kBuffered;
    mPosition = {x, y};
    mWidth = width;
    mHeight = height;
    mLocalRect = {0, 0, width, height};
    if (IsBuffered())
        mRoot->GrowOffscreen(width, height);
    mVisible = true;
    mMouseActive = true;
    mEnabled = mParent ? mParent->mEnabled : mRoot->IsActive();

    ComputeMargins();
    UpdateGlobalRect();
    mMsgClass = mRoot->GetMessagingServer().CreateMsgClass(mId);
    if (mParent)
    {
        try
        {
            mParent->mChildren.push_back(this);
        }
        catch (...)
        {
            mRoot->GetMessagingServer().DestroyMsgClass(mMsgClass);
            throw;
        }
    }
    ++gLiveFrames;
    InvalidateNearestVisible();
    UpdateEffectiveVisibility();
    UpdateClipRects();
    UpdateFloating();
}

Frame::~Frame()
{
    try
    {
        Deliver(FrameEvents::kDestroyed, reinterpret_cast<MessageParam>(this), 0);
    }
    catch (...)
    {
        // A subscriber failing to hear of the end must not stop it.
    }
    if (mFloatingRegistered)
    {
        if (mWindowContext)
            mWindowContext->RemoveProtectedRegion(this);
        mRoot->UnregisterFloating(this);
        mFloatingRegistered = false;
    }
    if (mRoot->GetCapture() == this)
    {
        mRoot->EndHostGesture(this);
        mRoot->ReleaseCapture();
    }
    // Children remove themselves from mChildren as they go.
    while (!mChildren.empty())
        delete mChildren.back();
    mRoot->GetMessagingServer().DestroyMsgClass(mMsgClass);
    mMsgClass = nullptr;
    if (mParent)
    {
        std::erase(mParent->mChildren, this);
        if (mVisible)
            mParent->Invalidate();
    }
    mRoot->OnFrameDestroyed(this);
    --gLiveFrames;
}

void Frame::Deliver(std::int32_t what, MessageParam p1, MessageParam p2)
{
    if (mMsgClass)
        mRoot->GetMessagingServer().Deliver(mMsgClass, what, p1, p2);
}

bool Frame::IsWithin(const Frame* other) const
{
    for (const Frame* frame = this; frame; frame = frame->mParent)
    {
        if (frame == other)
            return true;
    }
    return false;
}

// ------------------------------------------------------------ geometry

void Frame::ComputeMargins()
{
    if (!mParent)
        return;
    mMargins.left = As16(mPosition.x);
    mMargins.top = As16(mPosition.y);
    mMargins.right = As16(mParent->mWidth - mWidth - mPosition.x);
    mMargins.bottom = As16(mParent->mHeight - mHeight - mPosition.y);
}

void Frame::UpdateGlobalRect()
{
    Point offset{As16(mPosition.x), As16(mPosition.y)};
    if (mParent)
    {
        offset.x += mParent->mGlobalRect.left;
        offset.y += mParent->mGlobalRect.top;
    }
    mGlobalRect = mLocalRect.Offset(offset.x, offset.y);
}

void Frame::ForEachDescendant(void (Frame::*hook)())
{
    for (Frame* child : mChildren)
    {
        (child->*hook)();
        child->ForEachDescendant(hook);
    }
}

void Frame::UpdateGlobalRects()
{
    UpdateGlobalRect();
    ForEachDescendant(&Frame::UpdateGlobalRect);
}

void Frame::UpdateClipRects()
{
    Rect clip = mGlobalRect;
    if (mParent)
        clip = clip.Intersect(mParent->mClipRect.Offset(mParent->mGlobalRect.left, mParent->mGlobalRect.top));
    mClipRect = clip.Offset(-mGlobalRect.left, -mGlobalRect.top);
    for (Frame* child : mChildren)
        child->UpdateClipRects();
}

void Frame::UpdateEffectiveVisibility()
{
    const bool effective = mVisible && (!mParent || mParent->mEffectivelyVisible);
    const bool changed = effective != mEffectivelyVisible;
    mEffectivelyVisible = effective;
    if (changed)
        UpdateFloating();
    for (Frame* child : mChildren)
        child->UpdateEffectiveVisibility();
}

void Frame::UpdateFloating()
{
    if (!IsFloating())
        return;
    const bool wanted = mEffectivelyVisible;
    if (wanted == mFloatingRegistered)
    {
        // Still registered: follow a move or resize.
        if (wanted && mWindowContext)
        {
            mWindowContext->RemoveProtectedRegion(this);
            mWindowContext->AddProtectedRegion(this, mGlobalRect, ((mFlags & FrameFlags::kFloating2) ? 2 : 0) +
                                                                      ((mFlags & FrameFlags::kFloating1) ? 1 : 0));
        }
        return;
    }
    mFloatingRegistered = wanted;
    if (wanted)
    {
        if (mWindowContext)
            mWindowContext->AddProtectedRegion(this, mGlobalRect, ((mFlags & FrameFlags::kFloating2) ? 2 : 0) +
                                                                      ((mFlags & FrameFlags::kFloating1) ? 1 : 0));
        mRoot->RegisterFloating(this);
    }
    else
    {
        if (mWindowContext)
            mWindowContext->RemoveProtectedRegion(this);
        mRoot->UnregisterFloating(this);
    }
}

void Frame::Invalidate()
{
    InvalidateNearestVisible();
}

void Frame::InvalidateNearestVisible()
{
    Frame* frame = this;
    while (frame && !frame->mVisible)
        frame = frame->mParent;
    if (frame)
        mRoot->Invalidate(frame);
}

void Frame::MoveTo(std::int32_t x, std::int32_t y)
{
    OnWillMove();
    ForEachDescendant(&Frame::OnWillMove);
    InvalidateNearestVisible();
    mPosition = {x, y};
    ComputeMargins();
    UpdateGlobalRects();
    UpdateClipRects();
    if (IsFloating())
        UpdateFloating();
    InvalidateNearestVisible();
    OnMoved();
    ForEachDescendant(&Frame::OnMoved);
}

void Frame::Resize(std::int32_t width, std::int32_t height, bool invalidateFirst)
{
    if (invalidateFirst)
        InvalidateNearestVisible();
    mWidth = width;
    mHeight = height;
    mLocalRect = {0, 0, width, height};
    UpdateGlobalRects();
    ComputeMargins();
    if (IsBuffered())
        mRoot->GrowOffscreen(width, height);
    InvalidateNearestVisible();
    UpdateClipRects();
    if (IsFloating())
        UpdateFloating();
    LayoutChildren(false);
    OnResized();
}

void Frame::SetBounds(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, bool invalidate)
{
    mInBoundsChange = true;
    MoveTo(x, y);
    Resize(width, height, invalidate);
    mInBoundsChange = false;
}

void Frame::LayoutChildren(bool invalidate)
{
    // Copied: a child's SetBounds may create or delete frames.
    const std::vector<Frame*> children = mChildren;
    for (Frame* child : children)
    {
        const std::uint32_t flags = child->mFlags;
        if (!(flags & FrameFlags::kAnchors))
            continue;
        const Rect margins = child->mMargins;
        std::int32_t x = child->mPosition.x;
        std::int32_t y = child->mPosition.y;
        std::int32_t width = child->mWidth;
        std::int32_t height = child->mHeight;
        if (flags & FrameFlags::kAnchorLeft)
            x = margins.left;
        if (flags & FrameFlags::kAnchorTop)
            y = margins.top;
        if (flags & FrameFlags::kAnchorRight)
        {
            if (flags & FrameFlags::kAnchorLeft)
                width = mWidth - margins.right - x;
            else
                x = mWidth - margins.right - width;
        }
        if (flags & FrameFlags::kAnchorBottom)
        {
            if (flags & FrameFlags::kAnchorTop)
                height = mHeight - margins.bottom - y;
            else
                y = mHeight - margins.bottom - height;
        }
        child->SetBounds(x, y, width, height, invalidate);
        // The margins the child keeps are those it was anchored with.
        child->mMargins = margins;
    }
}

// ------------------------------------------------------------ state

void Frame::SetVisible(bool visible, bool noInvalidate)
{
    if (visible == mVisible)
        return;
    if (!visible && !noInvalidate)
        InvalidateNearestVisible();
    mVisible = visible;
    UpdateEffectiveVisibility();
    if (visible && !noInvalidate)
        InvalidateNearestVisible();
    // A hidden frame cannot keep the mouse.
    if (!visible && mRoot->GetCapture() && mRoot->GetCapture()->IsWithin(this))
        mRoot->ReleaseCapture();
}

void Frame::SetMouseActive(bool active)
{
    if (active == mMouseActive)
        return;
    mMouseActive = active;
    Invalidate();
}

void Frame::SetEnabled(bool enabled)
{
    if (enabled != mEnabled)
    {
        mEnabled = enabled;
        if (mFlags & FrameFlags::kInvalidateOnEnable)
            Invalidate();
        OnEnableChanged(enabled);
    }
    const std::vector<Frame*> children = mChildren;
    for (Frame* child : children)
        child->SetEnabled(enabled);
}

void Frame::SetCursor(std::int16_t cursorId, bool force)
{
    mCursorId = cursorId;
    mHasCursor = true;
    if ((force || mMouseInside) && mEnabled && mEffectivelyVisible)
        mRoot->SetWindowCursor(cursorId);
}

void Frame::ResetCursor()
{
    mHasCursor = false;
    if (mMouseInside && mWindowContext)
        mWindowContext->RestoreCursor();
}

void Frame::SetOverlay(std::unique_ptr<FrameOverlay> overlay)
{
    mOverlay = std::move(overlay);
    Draw(nullptr, true);
}

// ------------------------------------------------------------ mouse

Frame* Frame::HitTest(std::int32_t x, std::int32_t y, bool visibleOnly)
{
    // Both edges are outside: a point on the left or top edge belongs to the parent.
    if (!(mGlobalRect.left < x && x < mGlobalRect.right && mGlobalRect.top < y && y < mGlobalRect.bottom))
        return nullptr;
    if (visibleOnly && !mVisible)
        return nullptr;
    for (Frame* child : mChildren)
    {
        if (visibleOnly && !child->mVisible)
            continue;
        if (Frame* hit = child->HitTest(x, y, true))
            return hit;
    }
    return this;
}

void Frame::DispatchMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y)
{
    if (type == FrameEvents::kMouseEnter)
    {
        mMouseInside = true;
        if (mEnabled && mVisible && mHasCursor)
            mRoot->SetWindowCursor(mCursorId);
    }
    else if (type == FrameEvents::kMouseLeave)
    {
        mMouseInside = false;
        if (mWindowContext)
            mWindowContext->RestoreCursor();
    }
    if (mMouseActive)
    {
        OnMouseEvent(type, x, y);
        Deliver(type, x, y);
    }
    else if (type == FrameEvents::kMouseDown)
    {
        Deliver(FrameEvents::kInactiveMouseDown, x, y);
    }
}

// ------------------------------------------------------------ drawing

void Frame::Draw(const Rect* rect, bool rectIsLocal)
{
    if (!mRoot->IsDrawingPermitted())
    {
        InvalidateNearestVisible();
        return;
    }
    if (!mVisible || !mEffectivelyVisible || !mContext || mClipRect.IsEmpty())
        return;
    Rect update = mLocalRect;
    if (rect)
        update = rectIsLocal ? *rect : rect->Offset(-mGlobalRect.left, -mGlobalRect.top);
    update = update.Intersect(mClipRect);
    if (update.IsEmpty())
        return;

    if ((mFlags & FrameFlags::kTransparent) && mParent && !mInParentPass)
    {
        const Rect inParent = update.Offset(As16(mPosition.x), As16(mPosition.y));
        mParent->Draw(&inParent, true);
        return;
    }

    BeginDraw(update);
    DrawContent(*mContext, update);
    if (mOverlay)
        mOverlay->Draw(*this, *mContext, update);
    EndDraw(update);

    const Rect global = update.Offset(mGlobalRect.left, mGlobalRect.top);
    // Copied: drawing may not change the tree, but a frame must never walk a
    // list that shrinks under it.
    const std::vector<Frame*> children = mChildren;
    for (Frame* child : children)
    {
        const Rect part = child->mGlobalRect.Intersect(global);
        if (part.IsEmpty())
            continue;
        child->mInParentPass = true;
        try
        {
            child->Draw(&part, false);
        }
        catch (...)
        {
            child->mInParentPass = false;
            throw;
        }
        child->mInParentPass = false;
    }
}

void Frame::BeginDraw(const Rect& rect)
{
    OGWorld* offscreen = IsBuffered() ? mRoot->GetOffscreen() : nullptr;
    if (offscreen)
    {
        // Local coordinates land on the offscreen as they are; EndDraw copies
        // the rectangle to its place in the window.
        mContext = offscreen;
        mContext->BeginDrawing();
        mContext->SetOrigin({0, 0});
        mContext->SetClipRect(rect);
        return;
    }
    mContext = mWindowContext;
    if (!mContext)
        return;
    mContext->BeginDrawing();
    if (IsFloating())
        mContext->SuspendProtectedRegion(this, true);
    mContext->SetOrigin({-mGlobalRect.left, -mGlobalRect.top});
    mContext->SetClipExcludingProtected(rect);
}

void Frame::EndDraw(const Rect& rect)
{
    if (mContext && mContext != mWindowContext)
    {
        DrawContext* offscreen = mContext;
        offscreen->EndDrawing();
        mContext = mWindowContext;
        if (mContext)
        {
            mContext->BeginDrawing();
            if (IsFloating())
                mContext->SuspendProtectedRegion(this, true);
            mContext->SetOrigin({-mGlobalRect.left, -mGlobalRect.top});
            mContext->SetClipExcludingProtected(rect);
            mContext->CopyBits(*offscreen, rect, {rect.left, rect.top}, false);
        }
    }
    if (!mContext)
        return;
    if (IsFloating())
        mContext->SuspendProtectedRegion(this, false);
    mContext->SetOrigin({0, 0});
    mContext->EndDrawing();
}

// ------------------------------------------------------------ PixMapDrawFrame

PixMapDrawFrame::PixMapDrawFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, std::int32_t sourceX, std::int32_t sourceY, DrawContext* bitmap,
                                 std::uint32_t flags, std::int32_t id)
    : Frame(parent, x, y, width, height, flags, id), mBitmap(bitmap), mSource{sourceX, sourceY}
{
}

void PixMapDrawFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    if (!mBitmap)
        return;
    const Rect part = rect.Intersect(GetLocalRect());
    if (part.IsEmpty())
        return;
    context.CopyBits(*mBitmap, part.Offset(mSource.x, mSource.y), {part.left, part.top}, false);
}

void PixMapDrawFrame::SetPixMap(DrawContext* bitmap, std::int32_t sourceX, std::int32_t sourceY, bool redraw)
{
    mBitmap = bitmap;
    mSource = {sourceX, sourceY};
    if (redraw)
        Draw(nullptr, true);
}
