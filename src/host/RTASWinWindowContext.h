#pragma once
// The editor's window inside the host's window: a child window of the host
// window (HostLib::HostWindow) the size of the view, placed centred across
// and at the bottom of the host's client area, with the editor's raster as
// its pixels. It turns the child's messages into the UI root's events, runs
// the 30 ms timer that drives the editor's timers and posted messages, shows
// the in-place text entry as a child window of its own, and hands file
// dialogs to the host window.
//
// Window messages:
// - paint: the frames waiting to be drawn draw themselves, the root redraws
//   whatever else the host asked for;
// - timer: the mouse capturer's tick (the root's when nothing captured);
// - mouse move and button up: to the capturer, else to the root;
// - left and right button down: the window takes the mouse capture (the
//   previous holder gets it back on the button up) and the root gets the
//   press; a left press outside an open text entry only ends the entry;
//   a right press counts as a secondary click (Ctrl) for the controls;
// - create, destroy, keys and characters are swallowed; everything else is
//   left to the host window.
//
// Text entry: an entry field over the frame (one pixel wider on the left, two
// higher, four deeper) that takes the keyboard focus. Return hands its text
// (at most 63 characters) to the frame; Escape, losing the focus and a click
// outside it cancel. The frame's part ends each way, the field goes and the
// focus returns to the host window.
//
// Window-system failures while the window is made (child window, device
// context, timer) raise AppFrame::ResAlloc and leave nothing behind; so does
// a missing host window. Failure to make an entry field raises it too.
//
// The timer's id is the context. Every live context is on a process-wide
// list, and a timer message whose id names no live context, or one of
// another window, is dropped unread.
//
// Threads: the host's main thread only.

#include "gui/WindowContext.h"
#include "hostlib/HostWindow.h"

#include <cstdint>
#include <memory>
#include <string>

class CVLPTPluginView;
class PluginUIRoot;

class RTASWinWindowContext : public WindowContext
{
public:
    static constexpr std::uint32_t kTimerMilliseconds = 30;
    // The most an accepted entry hands back.
    static constexpr std::size_t kMaxEntryLength = 63;

    // view: the root it serves; viewRect: the root's window bounds.
    RTASWinWindowContext(CVLPTPluginView& view, HostLib::HostWindow* host, const Rect& viewRect);
    ~RTASWinWindowContext() override;

    HostLib::HostChildWindow* GetWindow() const { return mWindow; }
    // The open entry field's window; null when none is open.
    HostLib::HostChildWindow* GetTextEntryWindow() const;

    // Copies what the editor drew since the last time into the child's
    // pixels. The window does it after each of its messages; the view after
    // each host call.
    void Present();

    // --- WindowContext ---
    void BeginDrawing() override;
    void InvalidateRect(const Rect& rect) override;
    void SetCursor(std::int16_t cursorId) override;
    void RestoreCursor() override;
    bool RunFileDialog(const FileDialogRequest& request, std::string& path) override;
    void RequestTextEdit(const Rect& rect, const std::string& text,
                         std::shared_ptr<TextEditDialogUserProxy> proxy) override;

    // Whether a context is alive (for messages that name one).
    static bool IsLive(const RTASWinWindowContext* context);

private:
    struct TextEntry;

    static std::intptr_t WindowProc(HostLib::HostChildWindow& window,
                                    const HostLib::HostMessage& message);
    static std::intptr_t EntryProc(HostLib::HostChildWindow& window,
                                   const HostLib::HostMessage& message);
    static std::intptr_t OnTimerMessage(HostLib::HostChildWindow& window, std::uintptr_t id);

    std::intptr_t HandleMessage(const HostLib::HostMessage& message);
    std::intptr_t HandleEntryMessage(const HostLib::HostMessage& message);
    void Paint(const HostLib::HostRect& update);
    void ButtonDown(const HostLib::HostMessage& message, bool right);
    void ButtonUp(const HostLib::HostMessage& message, bool right);
    void TakeCapture();
    void GiveBackCapture();
    void Track(const HostLib::HostMessage& message);
    void EndTextEntry(bool accepted);
    void PaintEntry();
    // Undoes the steps of the constructor that were done.
    void TearDown();

    CVLPTPluginView& mView;
    PluginUIRoot& mRoot;
    HostLib::HostWindow* mHost = nullptr;
    Rect mViewRect;
    HostLib::HostChildWindow* mWindow = nullptr;
    HostLib::HostDeviceContext* mDeviceContext = nullptr;
    bool mTimerSet = false;
    // The capture holder before this window's press took it (null: none).
    HostLib::HostChildWindow* mPreviousCapture = nullptr;
    bool mRightButton = false;
    std::unique_ptr<TextEntry> mEntry;
    bool mDrawn = false;
};
