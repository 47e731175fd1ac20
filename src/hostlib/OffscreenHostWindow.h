#pragma once
// A host window that exists only in memory, for host programs and tests: it
// is the HostWindow a plug-in view opens on, and the host program drives it
// as a user and a window system would: it paints, lets time pass (which fires
// the children's timers), forwards mouse and keys, moves the keyboard focus,
// answers file dialogs and reads back what the window shows.
//
// Time is the window's own: it starts at 0 and moves only with AdvanceTime.
// Timers fire in the order they fall due, each every time it falls due, so a
// long step fires a 30 ms timer once per 30 ms of it.
//
// Tests make the window system fail on purpose with FailNext.
//
// Threads: the host's main thread only.

#include "hostlib/HostWindow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace HostLib
{

class OffscreenHostWindow final : public HostWindow
{
public:
    enum class Button
    {
        Left,
        Right,
    };
    // What FailNext can make fail.
    enum class Operation
    {
        CreateChild,
        GetDC,
        SetTimer,
    };
    using FileDialogHandler = std::function<bool(const HostFileDialog& dialog, std::string& path)>;

    static constexpr std::uint32_t kDefaultBackground = 0x404040;

    // Sides below 1 count as 1.
    OffscreenHostWindow(std::int32_t width, std::int32_t height,
                        std::uint32_t background = kDefaultBackground);
    // Destroys the children left, each sent Destroy.
    ~OffscreenHostWindow();
    OffscreenHostWindow(const OffscreenHostWindow&) = delete;
    OffscreenHostWindow& operator=(const OffscreenHostWindow&) = delete;

    // --- HostWindow ---
    HostRect GetClientRect() const override { return {0, 0, mWidth, mHeight}; }
    HostChildWindow* CreateChildWindow(const HostRect& rect, HostWindowProc procedure,
                                       void* userData) override;
    void DestroyChildWindow(HostChildWindow* window) override;
    HostDeviceContext* GetDC(HostChildWindow& window) override;
    void ReleaseDC(HostChildWindow& window, HostDeviceContext* context) override;
    bool SetTimer(HostChildWindow& window, std::uintptr_t id, std::uint32_t milliseconds) override;
    void KillTimer(HostChildWindow& window, std::uintptr_t id) override;
    HostChildWindow* SetCapture(HostChildWindow* window) override;
    void ReleaseCapture() override;
    HostChildWindow* GetCapture() const override;
    HostChildWindow* SetFocus(HostChildWindow* window) override;
    HostChildWindow* GetFocus() const override;
    std::intptr_t SendMessage(HostChildWindow& window, const HostMessage& message) override;
    std::intptr_t DefaultProcessing(HostChildWindow& window, const HostMessage& message) override;
    void SetCursor(HostChildWindow& window, HostCursor cursor) override;
    bool RunFileDialog(const HostFileDialog& dialog, std::string& path) override;
    std::uint64_t GetTime() const override { return mTime; }

    // --- what the host program does ---
    // Sends Paint to every child with something to paint, bottom to top.
    // Returns how many were painted.
    std::int32_t Paint();
    // Lets milliseconds of host time pass; returns how many timer messages
    // were sent.
    std::int32_t AdvanceTime(std::uint32_t milliseconds);
    // The pointer, in client coordinates: to the capture holder when there is
    // one, else to the topmost child under it, else nowhere.
    void MouseDown(std::int32_t x, std::int32_t y, Button button = Button::Left,
                   std::uint32_t modifiers = 0);
    void MouseUp(std::int32_t x, std::int32_t y, Button button = Button::Left,
                 std::uint32_t modifiers = 0);
    void MouseMove(std::int32_t x, std::int32_t y, std::uint32_t modifiers = 0);
    void Click(std::int32_t x, std::int32_t y, Button button = Button::Left,
               std::uint32_t modifiers = 0);
    // To the focused child; nowhere while the host window has the focus.
    void KeyDown(std::int32_t key, std::uint32_t modifiers = 0);
    // One Character message per byte.
    void Type(const std::string& text);
    // Answers the file dialogs of the views; without a handler every dialog
    // is cancelled.
    void SetFileDialogHandler(FileDialogHandler handler) { mFileDialogs = std::move(handler); }

    // What the window shows: width x height pixels, rows top to bottom,
    // 0x00RRGGBB.
    std::vector<std::uint32_t> ReadPixels() const;
    // The same into pixels, which is resized to fit (a live window reuses
    // one buffer for every frame).
    void ReadPixels(std::vector<std::uint32_t>& pixels) const;
    // Outside the client area: 0.
    std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;

    std::int32_t GetWidth() const { return mWidth; }
    std::int32_t GetHeight() const { return mHeight; }
    // Bottom to top.
    std::vector<HostChildWindow*> GetChildren() const;
    // The shape the child asked for (Arrow for any other pointer).
    HostCursor GetCursor(const HostChildWindow* window) const;
    // The shape the pointer takes at (x, y): the capture holder's while
    // there is one, else the topmost child's there, else the arrow.
    HostCursor GetCursorAt(std::int32_t x, std::int32_t y) const;
    // The ids of the child's timers, in the order they were set.
    std::vector<std::uintptr_t> GetTimerIds(const HostChildWindow* window) const;
    std::size_t GetTimerCount() const { return mTimers.size(); }
    // Device contexts handed out and not released.
    std::int32_t GetDCCount() const;
    // Messages children left to the host window.
    std::int32_t GetDefaultProcessingCount() const { return mDefaultProcessed; }

    // The next `times` calls of the operation fail.
    void FailNext(Operation operation, std::int32_t times = 1);

private:
    class Child;
    struct Timer
    {
        Child* child = nullptr;
        std::uintptr_t id = 0;
        std::uint32_t interval = 0;
        std::uint64_t due = 0;
    };

    // The live child at that address; null for any other pointer.
    Child* Find(const HostChildWindow* window) const;
    Child* ChildAt(std::int32_t x, std::int32_t y) const;
    void SendMouse(HostMessageType type, std::int32_t x, std::int32_t y, std::uint32_t modifiers);
    bool ShouldFail(Operation operation);

    std::int32_t mWidth = 1;
    std::int32_t mHeight = 1;
    std::vector<std::uint32_t> mBackground;
    std::vector<std::unique_ptr<Child>> mChildren;
    std::vector<Timer> mTimers;
    std::uint64_t mTime = 0;
    Child* mCapture = nullptr;
    Child* mFocus = nullptr;
    FileDialogHandler mFileDialogs;
    std::int32_t mDefaultProcessed = 0;
    std::int32_t mFailures[3] = {};
};

} // namespace HostLib
