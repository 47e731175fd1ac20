#pragma once
// An editor window that exists only in memory: a UI root over a window
// context that a program or a test drives by hand. It injects mouse events
// and modifier keys, runs the window's 30 ms tick, paints what is invalid
// and reads the pixels back (or saves them as a PNG). Time is whatever the
// tick-count source says: tests and the host program advance a simulated
// clock between ticks, a live run uses the real one.
//
// Threads: UI thread only.

#include "gui/PluginUIRoot.h"
#include "gui/WindowContext.h"

#include <cstdint>
#include <string>

class OffscreenEditor : public PluginUIRoot
{
public:
    // The window takes the editor's size from the plug-in unless one is given.
    explicit OffscreenEditor(PluginCore& core, std::int32_t width = 0, std::int32_t height = 0);
    ~OffscreenEditor() override;

    std::unique_ptr<DrawContext> CreateWindowContext() override;
    // Null before Open and after Close.
    WindowContext* GetWindow() const { return mWindow; }

    void SetDialogService(DialogService* service);
    void SetTextEntryService(TextEntryService* service);

    // The pointer: a press, moves (captured or hovering) and a release, in
    // window coordinates, with the modifier keys held during the press.
    void MouseDown(Point point, const WindowContext::Modifiers& modifiers = {});
    void MouseMove(Point point);
    void MouseUp(Point point);
    // Down and up at one point.
    void Click(Point point, const WindowContext::Modifiers& modifiers = {});

    // One expiry of the window's 30 ms timer: the capture tick (timers and
    // posted messages) and the host's idle call.
    void Tick();
    // Paints every invalid frame (the whole window the first time, as a host
    // paints a new window). Returns the bounds of what it painted.
    Rect Paint();

    CVLCanvas::ColorSpec GetPixel(Point point) const;
    // Writes the window as a PNG through the safe writer; false with a reason.
    bool SavePng(const std::string& path, std::string* error = nullptr) const;

private:
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    WindowContext* mWindow = nullptr; // owned by the root
    bool mExposed = false;
    DialogService* mDialogs = nullptr;
    TextEntryService* mTextEntry = nullptr;
};
