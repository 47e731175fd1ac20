#pragma once
// The drawing context of the editor's window: a raster the size of the window
// plus what only a window has: the pointer's position, mouse capture, the
// cursor, the dirty region still to be painted, the modifier keys, and the
// dialogs and in-place text entry, which go to services the window's owner
// supplies (tests script them, the host program answers them from its
// options, a live window shows real ones).
//
// Threads: UI thread only.

#include "gui/RasterContext.h"

#include <cstdint>
#include <memory>
#include <string>

class DialogService
{
public:
    virtual ~DialogService() = default;
    // The chosen path; false when the user cancels.
    virtual bool RunFileDialog(const FileDialogRequest& request, std::string& path) = 0;
};

class TextEntryService
{
public:
    virtual ~TextEntryService() = default;
    // Shows an entry over rect (window coordinates) holding text; the answer
    // (accepted text or cancel) goes to the proxy, now or later.
    virtual void BeginTextEntry(const Rect& rect, const std::string& text,
                                std::shared_ptr<TextEditDialogUserProxy> proxy) = 0;
};

class WindowContext : public RasterContext
{
public:
    struct Modifiers
    {
        bool ctrl = false;
        bool shift = false;
        // A right-button click counts as Ctrl.
        bool secondaryClick = false;
    };

    // Raises AppFrame::ResAlloc when the pixels cannot be had.
    WindowContext(std::int32_t width, std::int32_t height);
    ~WindowContext() override;

    std::int32_t GetWidth() const { return mWindowBuffer.width; }
    std::int32_t GetHeight() const { return mWindowBuffer.height; }
    const PixelBuffer& GetPixels() const { return mWindowBuffer; }

    Point GetMousePosition() override { return mMouse; }
    void SetCursor(std::int16_t cursorId) override { mCursor = cursorId; }
    void RestoreCursor() override { mCursor = 0; }
    std::int16_t GetCursor() const { return mCursor; }

    bool IsCtrlDown() override { return (mModifiers.ctrl || mModifiers.secondaryClick) && !mModifiers.shift; }
    bool IsShiftDown() override { return mModifiers.shift && !mModifiers.ctrl && !mModifiers.secondaryClick; }
    bool IsCtrlShiftDown() override { return (mModifiers.ctrl || mModifiers.secondaryClick) && mModifiers.shift; }

    void CaptureMouse(MouseCapturer* capturer) override { mCapturer = capturer; }
    void ReleaseMouse() override { mCapturer = nullptr; }
    MouseCapturer* GetCapturer() const { return mCapturer; }

    void InvalidateRect(const Rect& rect) override;
    void ValidateRect(const Rect& rect) override;
    // The bounding box of what still needs painting; empty when nothing does.
    Rect GetDirtyBounds() const;
    bool IsDirty() const;

    bool RunFileDialog(const FileDialogRequest& request, std::string& path) override;
    void RequestTextEdit(const Rect& rect, const std::string& text,
                         std::shared_ptr<TextEditDialogUserProxy> proxy) override;
    void SetDialogService(DialogService* service) { mDialogs = service; }
    void SetTextEntryService(TextEntryService* service) { mTextEntry = service; }

    void SetMousePosition(Point point) { mMouse = point; }
    void SetModifiers(const Modifiers& modifiers) { mModifiers = modifiers; }
    const Modifiers& GetModifiers() const { return mModifiers; }

private:
    PixelBuffer mWindowBuffer;
    Point mMouse{-1, -1};
    std::int16_t mCursor = 0;
    Modifiers mModifiers;
    MouseCapturer* mCapturer = nullptr;
    std::unique_ptr<RasterRegion> mDirty;
    DialogService* mDialogs = nullptr;     // not owned
    TextEntryService* mTextEntry = nullptr; // not owned
};
