#pragma once
// A host window on an X11 display: the window a plug-in view opens on when
// it runs in a real Linux host. It is an X window of its own (a child of the
// host's window, or a top-level window with a title) whose pixels are the
// in-memory host window's (OffscreenHostWindow, which keeps the children,
// timers, capture and focus); this class adds what the display brings:
//
// - Pump() handles the X events waiting, lets the host time follow the
//   clock (which fires the children's timers), paints the children that
//   need it and puts whatever changed on the screen: only the rows and
//   columns that differ from what is shown, through shared memory when the
//   display is local and offers it, else through the connection;
// - mouse buttons 1 and 3, pointer motion and keys (Return, Escape,
//   backspace, typed characters) with Shift and Ctrl, to the children as
//   OffscreenHostWindow delivers them. A press grabs the pointer for the
//   window until the release (X does so by itself), so a child holding the
//   capture keeps hearing the pointer outside the window;
// - the keyboard focus: a child taking it takes the display's focus for the
//   window, and the window losing it takes it from the child;
// - the pointer's shape, from the child under it or holding the capture;
// - file dialogs through the user's chooser program (ExternalFileChooser.h);
//   when none is installed, or it fails, the reason shows in a strip across
//   the window until the next press.
//
// A window of its own closes when the user closes it (IsClosed). A child
// window goes with its parent: once the host has destroyed the parent, this
// window stops touching the display.
//
// Threads: one thread, the one that made it; it has its own connection to
// the display, so it never shares Xlib state with the host.

#include "hostlib/OffscreenHostWindow.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace HostLib
{

class X11HostWindow final : public HostWindow
{
public:
    struct Options
    {
        std::int32_t width = 1;
        std::int32_t height = 1;
        // The host's X window to sit in; 0 for a top-level window.
        unsigned long parent = 0;
        std::string title = "Window"; // of a top-level window and its dialogs
        std::uint32_t background = OffscreenHostWindow::kDefaultBackground;
        // Where to connect; empty for $DISPLAY.
        std::string display;
    };

    // Null with the reason in error when the display cannot be reached or
    // cannot show the window.
    static std::unique_ptr<X11HostWindow> Create(const Options& options, std::string& error);
    ~X11HostWindow();
    X11HostWindow(const X11HostWindow&) = delete;
    X11HostWindow& operator=(const X11HostWindow&) = delete;

    // The X window's id, for the host (LV2 hands it back as the UI's widget).
    unsigned long GetXWindow() const;
    // Waits until an X event arrives or `milliseconds` pass.
    void Wait(std::int32_t milliseconds) const;
    // See above. Returns false once the window is closed or gone.
    bool Pump();
    bool IsClosed() const { return mClosed; }
    // The message in the strip; empty when none shows.
    const std::string& GetNotice() const { return mNotice; }
    void ShowNotice(const std::string& message);
    // Whether pixels travel through shared memory.
    bool UsesSharedMemory() const;

    // The children, time and pixels underneath.
    OffscreenHostWindow& GetScene() { return mScene; }

    // --- HostWindow: OffscreenHostWindow's, with the display's focus,
    // cursor and file dialogs ---
    HostRect GetClientRect() const override { return mScene.GetClientRect(); }
    HostChildWindow* CreateChildWindow(const HostRect& rect, HostWindowProc procedure,
                                       void* userData) override
    {
        return mScene.CreateChildWindow(rect, procedure, userData);
    }
    void DestroyChildWindow(HostChildWindow* window) override { mScene.DestroyChildWindow(window); }
    HostDeviceContext* GetDC(HostChildWindow& window) override { return mScene.GetDC(window); }
    void ReleaseDC(HostChildWindow& window, HostDeviceContext* context) override
    {
        mScene.ReleaseDC(window, context);
    }
    bool SetTimer(HostChildWindow& window, std::uintptr_t id, std::uint32_t milliseconds) override
    {
        return mScene.SetTimer(window, id, milliseconds);
    }
    void KillTimer(HostChildWindow& window, std::uintptr_t id) override
    {
        mScene.KillTimer(window, id);
    }
    HostChildWindow* SetCapture(HostChildWindow* window) override { return mScene.SetCapture(window); }
    void ReleaseCapture() override { mScene.ReleaseCapture(); }
    HostChildWindow* GetCapture() const override { return mScene.GetCapture(); }
    HostChildWindow* SetFocus(HostChildWindow* window) override;
    HostChildWindow* GetFocus() const override { return mScene.GetFocus(); }
    std::intptr_t SendMessage(HostChildWindow& window, const HostMessage& message) override
    {
        return mScene.SendMessage(window, message);
    }
    std::intptr_t DefaultProcessing(HostChildWindow& window, const HostMessage& message) override
    {
        return mScene.DefaultProcessing(window, message);
    }
    void SetCursor(HostChildWindow& window, HostCursor cursor) override;
    bool RunFileDialog(const HostFileDialog& dialog, std::string& path) override;
    std::uint64_t GetTime() const override { return mScene.GetTime(); }

private:
    struct Connection;

    explicit X11HostWindow(const Options& options);
    bool Open(const Options& options, std::string& error);
    void HandleEvents();
    void FollowClock();
    // Puts what changed since the last time on the screen.
    void Present();
    void PutRect(const HostRect& rect);
    void DrawNotice();
    void UpdateCursor(std::int32_t x, std::int32_t y);

    OffscreenHostWindow mScene;
    std::unique_ptr<Connection> mX;
    std::string mTitle;
    std::vector<std::uint32_t> mFrame; // what the scene shows now
    std::vector<std::uint32_t> mShown; // what the screen shows
    HostRect mExposed;                 // what the screen lost
    std::chrono::steady_clock::time_point mClock;
    std::string mNotice;
    bool mClosed = false;
    std::int32_t mPointerX = -1;
    std::int32_t mPointerY = -1;
};

} // namespace HostLib
