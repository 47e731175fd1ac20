#include "gui/OffscreenEditor.h"

#include "gui/Frame.h"
#include "gui/PngImage.h"

#include <algorithm>

namespace
{
Rect Union(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect EditorBounds(PluginCore& core, std::int32_t width, std::int32_t height)
{
    if (width <= 0 || height <= 0)
        core.GetEditorSize(width, height);
    return {0, 0, width, height};
}
} // namespace

OffscreenEditor::OffscreenEditor(PluginCore& core, std::int32_t width, std::int32_t height)
    : PluginUIRoot(core, EditorBounds(core, width, height))
{
    mWidth = GetWindowBounds().Width();
    mHeight = GetWindowBounds().Height();
}

OffscreenEditor::~OffscreenEditor()
{
    // The window goes with the frames, before this object's members.
    Close();
}

std::unique_ptr<DrawContext> OffscreenEditor::CreateWindowContext()
{
    auto window = std::make_unique<WindowContext>(mWidth, mHeight);
    window->SetDialogService(mDialogs);
    window->SetTextEntryService(mTextEntry);
    mWindow = window.get();
    mExposed = true;
    return window;
}

void OffscreenEditor::SetDialogService(DialogService* service)
{
    mDialogs = service;
    if (mWindow)
        mWindow->SetDialogService(service);
}

void OffscreenEditor::SetTextEntryService(TextEntryService* service)
{
    mTextEntry = service;
    if (mWindow)
        mWindow->SetTextEntryService(service);
}

void OffscreenEditor::MouseDown(Point point, const WindowContext::Modifiers& modifiers)
{
    if (!mWindow)
        return;
    mWindow->SetMousePosition(point);
    mWindow->SetModifiers(modifiers);
    OnMouseDown(point.x, point.y);
}

void OffscreenEditor::MouseMove(Point point)
{
    if (!mWindow)
        return;
    mWindow->SetMousePosition(point);
    if (DrawContext::MouseCapturer* capturer = mWindow->GetCapturer())
        capturer->OnCapturedMouseMove(point);
}

void OffscreenEditor::MouseUp(Point point)
{
    if (!mWindow)
        return;
    mWindow->SetMousePosition(point);
    if (DrawContext::MouseCapturer* capturer = mWindow->GetCapturer())
        capturer->OnCapturedMouseUp(point);
    mWindow->SetModifiers({});
}

void OffscreenEditor::Click(Point point, const WindowContext::Modifiers& modifiers)
{
    MouseDown(point, modifiers);
    MouseUp(point);
}

void OffscreenEditor::Tick()
{
    OnCaptureTick();
    Idle();
}

Rect OffscreenEditor::Paint()
{
    if (!mWindow || !IsOpen())
        return {};
    const Rect whole{0, 0, mWidth, mHeight};
    if (mExposed)
    {
        // A new window shows nothing yet: the host paints all of it once.
        mExposed = false;
        Redraw(whole);
        mWindow->ValidateRect(whole);
        return whole;
    }
    // As a window system would: the invalid frames draw themselves, and
    // whatever was made dirty and not drawn by them (where a frame was
    // before it moved, a frame that was hidden) is painted from the master
    // frame down.
    const std::vector<Frame*> invalid = GetInvalidFrames();
    Rect painted;
    {
        DrawingPermit permit(*this, true);
    }
    for (const Frame* frame : invalid)
    {
        if (!frame->IsEffectivelyVisible())
            continue;
        const Rect r = frame->GetGlobalRect().Intersect(frame->GetClipRect().Offset(frame->GetGlobalRect().left,
                                                                                    frame->GetGlobalRect().top));
        mWindow->ValidateRect(r);
        painted = Union(painted, r);
    }
    const Rect rest = mWindow->GetDirtyBounds();
    if (!rest.IsEmpty())
    {
        Redraw(rest);
        painted = Union(painted, rest);
    }
    mWindow->ValidateRect(whole);
    return painted;
}

CVLCanvas::ColorSpec OffscreenEditor::GetPixel(Point point) const
{
    // Straight from the window's pixels: what the window shows, whatever
    // clip or origin the last frame left on its context.
    if (!mWindow || !mWindow->GetPixels().Contains(point.x, point.y))
        return {};
    return FromPixel(mWindow->GetPixels().At(point.x, point.y));
}

bool OffscreenEditor::SavePng(const std::string& path, std::string* error) const
{
    if (!mWindow)
    {
        if (error)
            *error = "the editor is not open";
        return false;
    }
    return PngImage::Write(path, mWindow->GetPixels(), error);
}
