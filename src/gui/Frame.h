#pragma once
// A rectangle of the editor window that draws itself and receives the mouse;
// frames form a tree owned by the UI root. Each frame publishes its mouse
// events on a message class of its own (code = event type, p1 = x, p2 = y in
// the frame's local coordinates), to which controls and panels subscribe.
//
// Drawing happens only under a DrawingPermit of the root; outside one, a
// frame that wants to draw is put on the root's invalid list instead and drawn
// at the next flush. Children draw after their parent, in creation order, so
// later children lie above earlier ones.
//
// Threads: UI thread only.

#include "base/Geometry.h"
#include "core/MessagingServer.h"

#include <cstdint>
#include <memory>
#include <vector>

class DrawContext;
class FrameOverlay;
class PluginUIRoot;

namespace FrameFlags
{
inline constexpr std::uint32_t kAnchorLeft = 0x1;
inline constexpr std::uint32_t kAnchorTop = 0x2;
inline constexpr std::uint32_t kAnchorRight = 0x4;
inline constexpr std::uint32_t kAnchorBottom = 0x8;
inline constexpr std::uint32_t kAnchors = 0xF;
// Move events while the mouse hovers without capture.
inline constexpr std::uint32_t kHoverMoves = 0x10;
inline constexpr std::uint32_t kInvalidateOnEnable = 0x20;
// Drawn by itself, its parent paints the rectangle instead so it shows beneath.
inline constexpr std::uint32_t kTransparent = 0x80;
inline constexpr std::uint32_t kBuffered = 0x100;
inline constexpr std::uint32_t kAlwaysBuffered = 0x200;
inline constexpr std::uint32_t kFloating1 = 0x1000;
inline constexpr std::uint32_t kFloating2 = 0x2000;
} // namespace FrameFlags

namespace FrameEvents
{
inline constexpr std::int32_t kMouseDown = 0;
inline constexpr std::int32_t kMouseUp = 1;
inline constexpr std::int32_t kMouseEnter = 2;
inline constexpr std::int32_t kMouseLeave = 3;
inline constexpr std::int32_t kMouseMove = 4;
// Message codes beside the event types.
inline constexpr std::int32_t kInactiveMouseDown = 5;
inline constexpr std::int32_t kDestroyed = 6; // p1: the frame
} // namespace FrameEvents

class Frame
{
public:
    Frame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t flags,
          std::int32_t id);
    // The master frame of a root.
    Frame(PluginUIRoot* root, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
          std::uint32_t flags, std::int32_t id);
    virtual ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    virtual MessagingServer::MsgClass* GetPublisher() const { return mMsgClass; }
    // Draws rect (window coordinates, or local with rectIsLocal; null: the
    // whole frame) and the children under it.
    virtual void Draw(const Rect* rect, bool rectIsLocal);
    virtual void MoveTo(std::int32_t x, std::int32_t y);
    virtual void Resize(std::int32_t width, std::int32_t height, bool invalidateFirst);
    virtual void SetBounds(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, bool invalidate);
    virtual void SetVisible(bool visible, bool noInvalidate);
    // Registers or drops the protected region and exclusive mouse target of a
    // floating frame according to its effective visibility.
    virtual void UpdateFloating();
    virtual bool IsVisible() const { return mVisible; }
    virtual void SetMouseActive(bool active);
    virtual std::int32_t GetId() const { return mId; }
    virtual void SetCursor(std::int16_t cursorId, bool force);
    virtual void ResetCursor();
    virtual void DrawContent(DrawContext& /*context*/, const Rect& /*rect*/) {}
    virtual void OnMouseEvent(std::int32_t /*type*/, std::int32_t /*x*/, std::int32_t /*y*/) {}
    virtual void OnEnableChanged(bool /*enabled*/) {}
    virtual void OnResized() {}
    virtual void OnWillMove() {}
    virtual void OnMoved() {}
    virtual void LayoutChildren(bool invalidate);
    // Sets this frame and every descendant enabled or disabled.
    virtual void SetEnabled(bool enabled);
    // The deepest frame under (x, y) in window coordinates, or null.
    virtual Frame* HitTest(std::int32_t x, std::int32_t y, bool visibleOnly);
    // A mouse event in local coordinates: cursor on enter and leave, then
    // OnMouseEvent and the message when mouse-active (an inactive frame
    // publishes kInactiveMouseDown for a button down and nothing else).
    virtual void DispatchMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y);
    virtual void BeginDraw(const Rect& rect);
    virtual void EndDraw(const Rect& rect);
    virtual void OnIdleHook() {}
    virtual void UpdateGlobalRect();

    // Offset added to the position of every child created after it is set.
    void SetChildOrigin(std::int32_t x, std::int32_t y) { mChildOrigin = {x, y}; }
    // Replaces (and deletes) the overlay; null removes it. Redraws.
    void SetOverlay(std::unique_ptr<FrameOverlay> overlay);
    FrameOverlay* GetOverlay() const { return mOverlay.get(); }
    void Invalidate();

    PluginUIRoot* GetRoot() const { return mRoot; }
    Frame* GetParent() const { return mParent; }
    const std::vector<Frame*>& GetChildren() const { return mChildren; }
    std::uint32_t GetFlags() const { return mFlags; }
    bool IsFloating() const { return (mFlags & (FrameFlags::kFloating1 | FrameFlags::kFloating2)) != 0; }
    bool IsBuffered() const { return (mFlags & FrameFlags::kBuffered) != 0; }
    Point GetPosition() const { return mPosition; }
    std::int32_t GetWidth() const { return mWidth; }
    std::int32_t GetHeight() const { return mHeight; }
    const Rect& GetLocalRect() const { return mLocalRect; }
    const Rect& GetGlobalRect() const { return mGlobalRect; }
    // In local coordinates.
    const Rect& GetClipRect() const { return mClipRect; }
    Rect GetMargins() const { return mMargins; }
    Point GetGlobalOffset() const { return {mGlobalRect.left, mGlobalRect.top}; }
    Point LocalToGlobal(Point p) const { return {p.x + mGlobalRect.left, p.y + mGlobalRect.top}; }
    Point GlobalToLocal(Point p) const { return {p.x - mGlobalRect.left, p.y - mGlobalRect.top}; }
    bool IsEnabled() const { return mEnabled; }
    // The cursor shown over the frame; 0 when it has none.
    std::int16_t GetCursor() const { return mHasCursor ? mCursorId : 0; }
    bool IsMouseActive() const { return mMouseActive; }
    bool IsMouseInside() const { return mMouseInside; }
    bool IsEffectivelyVisible() const { return mEffectivelyVisible; }
    DrawContext* GetDrawContext() const { return mContext; }
    // Whether this frame or an ancestor is `other`.
    bool IsWithin(const Frame* other) const;

    // Frames alive in the process.
    static std::int32_t GetLiveCount();

protected:
    // Publishes a message on the frame's class.
    void Deliver(std::int32_t what, MessageParam p1, MessageParam p2);

private:
    friend class PluginUIRoot;

    void Construct(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    void ComputeMargins();
    void UpdateGlobalRects();
    void UpdateClipRects();
    void UpdateEffectiveVisibility();
    void ForEachDescendant(void (Frame::*hook)());
    void InvalidateNearestVisible();

    std::uint32_t mFlags = 0;
    Point mChildOrigin;
    std::vector<Frame*> mChildren;
    MessagingServer::MsgClass* mMsgClass = nullptr;
    PluginUIRoot* mRoot = nullptr;
    Rect mGlobalRect;
    Point mPosition;
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    Rect mLocalRect;
    Rect mClipRect;
    Rect mMargins;
    std::int32_t mId = 0;
    bool mMouseInside = false;
    bool mEnabled = false;
    bool mMouseActive = false;
    bool mVisible = false;
    bool mEffectivelyVisible = false;
    bool mInParentPass = false;
    bool mInBoundsChange = false;
    bool mFloatingRegistered = false;
    std::int16_t mCursorId = 0;
    bool mHasCursor = false;
    DrawContext* mContext = nullptr;
    DrawContext* mWindowContext = nullptr;
    std::unique_ptr<FrameOverlay> mOverlay;
    Frame* mParent = nullptr;
};

// A frame painted from a skin picture: the part under the update rectangle,
// shifted by the source point, copied as it is.
class PixMapDrawFrame : public Frame
{
public:
    PixMapDrawFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    std::int32_t sourceX, std::int32_t sourceY, DrawContext* bitmap, std::uint32_t flags,
                    std::int32_t id);

    void DrawContent(DrawContext& context, const Rect& rect) override;
    // Replaces picture and source point; redraws when asked.
    void SetPixMap(DrawContext* bitmap, std::int32_t sourceX, std::int32_t sourceY, bool redraw);
    DrawContext* GetPixMap() const { return mBitmap; }
    Point GetSourcePoint() const { return mSource; }

private:
    DrawContext* mBitmap = nullptr; // not owned: pictures live in the root's cache
    Point mSource;
};
