#include "host/RTASWinWindowContext.h"

#include "base/Exceptions.h"
#include "gui/Frame.h"
#include "gui/TextEditDialogUser.h"
#include "host/CVLPTPluginView.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace
{
using HostLib::HostMessage;
using HostLib::HostMessageType;

// UI thread only, as every window message.
std::vector<const RTASWinWindowContext*>& LiveContexts()
{
    static std::vector<const RTASWinWindowContext*> contexts;
    return contexts;
}

Rect ToRect(const HostLib::HostRect& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void CopyPixels(const PixelBuffer& from, HostLib::HostDeviceContext& to)
{
    const std::int32_t width = std::min(from.width, to.width);
    const std::int32_t height = std::min(from.height, to.height);
    if (width <= 0)
        return;
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(to.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(to.stride),
                    from.Row(y), sizeof(std::uint32_t) * static_cast<std::size_t>(width));
}

// While a file dialog waits inside the click that opened it, the host's idle
// time must not run the editor's timers and messages under that click.
class DialogInProgress final : public CVLPTPluginView::ModalHandler
{
public:
    void Idle() override {}
};

constexpr CVLCanvas::ColorSpec kEntryBackground{255, 255, 255};
constexpr CVLCanvas::ColorSpec kEntryText{0, 0, 0};
constexpr CVLCanvas::ColorSpec kEntrySelection{0, 0, 128};
constexpr CVLCanvas::ColorSpec kEntrySelectedText{255, 255, 255};
constexpr std::int32_t kEntryTextInset = 3;
} // namespace

struct RTASWinWindowContext::TextEntry
{
    HostLib::HostChildWindow* window = nullptr;
    HostLib::HostDeviceContext* deviceContext = nullptr;
    std::shared_ptr<TextEditDialogUserProxy> user;
    std::string text;
    // The text starts selected, as an entry field opens: the first key typed
    // replaces it.
    bool selected = true;
    PixelBuffer pixels;
};

// ------------------------------------------------------------ lifetime

RTASWinWindowContext::RTASWinWindowContext(CVLPTPluginView& view, HostLib::HostWindow* host,
                                           const Rect& viewRect)
    : WindowContext(viewRect.Width(), viewRect.Height()), mView(view), mRoot(view), mHost(host),
      mViewRect(viewRect)
{
    if (!mHost)
        throw AppFrame::ResAlloc();
    // Centred across the host's client area (flush with the view's own left
    // edge when both are as wide), bottom on bottom.
    const HostLib::HostRect client = mHost->GetClientRect();
    const std::int32_t width = viewRect.Width();
    const std::int32_t height = viewRect.Height();
    const std::int32_t x =
        client.Width() != width ? client.left + (client.Width() - width) / 2 : viewRect.left;
    const std::int32_t y = client.bottom - height;
    mWindow = mHost->CreateChildWindow({x, y, x + width, y + height}, &WindowProc, this);
    if (!mWindow)
        throw AppFrame::ResAlloc();
    mDeviceContext = mHost->GetDC(*mWindow);
    if (!mDeviceContext)
    {
        TearDown();
        throw AppFrame::ResAlloc();
    }
    mTimerSet =
        mHost->SetTimer(*mWindow, reinterpret_cast<std::uintptr_t>(this), kTimerMilliseconds);
    if (!mTimerSet)
    {
        TearDown();
        throw AppFrame::ResAlloc();
    }
    try
    {
        LiveContexts().push_back(this);
    }
    catch (...)
    {
        TearDown();
        throw;
    }
}

RTASWinWindowContext::~RTASWinWindowContext()
{
    EndTextEntry(false);
    TearDown();
    std::erase(LiveContexts(), this);
}

void RTASWinWindowContext::TearDown()
{
    if (mDeviceContext)
        mHost->ReleaseDC(*mWindow, mDeviceContext);
    mDeviceContext = nullptr;
    if (mTimerSet)
        mHost->KillTimer(*mWindow, reinterpret_cast<std::uintptr_t>(this));
    mTimerSet = false;
    if (mWindow)
        mHost->DestroyChildWindow(mWindow);
    mWindow = nullptr;
}

bool RTASWinWindowContext::IsLive(const RTASWinWindowContext* context)
{
    const auto& live = LiveContexts();
    return context && std::find(live.begin(), live.end(), context) != live.end();
}

// ------------------------------------------------------------ drawing

void RTASWinWindowContext::BeginDrawing()
{
    WindowContext::BeginDrawing();
    mDrawn = true;
}

void RTASWinWindowContext::Present()
{
    if (!mDrawn || !mDeviceContext)
        return;
    mDrawn = false;
    CopyPixels(GetPixels(), *mDeviceContext);
}

void RTASWinWindowContext::InvalidateRect(const Rect& rect)
{
    WindowContext::InvalidateRect(rect);
    if (mWindow)
        mWindow->Invalidate({rect.left - mViewRect.left, rect.top - mViewRect.top,
                             rect.right - mViewRect.left, rect.bottom - mViewRect.top});
}

void RTASWinWindowContext::Paint(const HostLib::HostRect& update)
{
    // What the host asks for joins what the frames asked for.
    WindowContext::InvalidateRect(ToRect(update).Offset(mViewRect.left, mViewRect.top));
    // The waiting frames draw themselves; what they cover needs nothing more,
    // and what they do not (where a frame was before it moved or hid) is
    // drawn from the master frame down.
    std::vector<Rect> drawn;
    for (const Frame* frame : mRoot.GetInvalidFrames())
    {
        if (!frame->IsEffectivelyVisible())
            continue;
        const Rect global = frame->GetGlobalRect();
        drawn.push_back(global.Intersect(frame->GetClipRect().Offset(global.left, global.top)));
    }
    {
        PluginUIRoot::DrawingPermit permit(mRoot, true);
    }
    for (const Rect& rect : drawn)
        ValidateRect(rect);
    const Rect rest = GetDirtyBounds();
    if (!rest.IsEmpty())
        mRoot.Redraw(rest);
    ValidateRect(mViewRect);
}

// ------------------------------------------------------------ messages

std::intptr_t RTASWinWindowContext::WindowProc(HostLib::HostChildWindow& window,
                                               const HostMessage& message)
{
    if (message.type == HostMessageType::Timer)
        return OnTimerMessage(window, message.timerId);
    auto* context = static_cast<RTASWinWindowContext*>(window.GetUserData());
    // Create comes before the context has its window; Destroy while it lets go of it.
    if (!IsLive(context) || context->mWindow != &window)
        return 0;
    return context->HandleMessage(message);
}

std::intptr_t RTASWinWindowContext::OnTimerMessage(HostLib::HostChildWindow& window,
                                                   std::uintptr_t id)
{
    // The id names the context the timer was started for. Nothing of it is
    // read before the live list says it still exists.
    auto* context = reinterpret_cast<RTASWinWindowContext*>(id);
    if (!IsLive(context) || context->mWindow != &window)
        return 0;
    if (DrawContext::MouseCapturer* capturer = context->GetCapturer())
        capturer->OnCaptureTick();
    else
        context->mRoot.OnCaptureTick();
    // The tick may have closed the editor, and this context with it.
    if (IsLive(context))
        context->Present();
    return 0;
}

std::intptr_t RTASWinWindowContext::HandleMessage(const HostMessage& message)
{
    switch (message.type)
    {
    case HostMessageType::Create:
    case HostMessageType::Destroy:
    case HostMessageType::KeyDown:
    case HostMessageType::Character:
        return 0;
    case HostMessageType::Paint:
        Paint(message.update);
        break;
    case HostMessageType::MouseMove:
        Track(message);
        if (DrawContext::MouseCapturer* capturer = GetCapturer())
            capturer->OnCapturedMouseMove(GetMousePosition());
        else
            mRoot.OnCapturedMouseMove(GetMousePosition());
        break;
    case HostMessageType::LeftButtonDown:
        ButtonDown(message, false);
        break;
    case HostMessageType::RightButtonDown:
        ButtonDown(message, true);
        break;
    case HostMessageType::LeftButtonUp:
        ButtonUp(message, false);
        break;
    case HostMessageType::RightButtonUp:
        ButtonUp(message, true);
        break;
    default:
        return mHost->DefaultProcessing(*mWindow, message);
    }
    Present();
    return 0;
}

void RTASWinWindowContext::Track(const HostMessage& message)
{
    SetMousePosition({message.x + mViewRect.left, message.y + mViewRect.top});
    WindowContext::Modifiers modifiers;
    modifiers.shift = (message.modifiers & HostLib::kHostShift) != 0;
    modifiers.ctrl = (message.modifiers & HostLib::kHostControl) != 0;
    modifiers.secondaryClick = mRightButton;
    SetModifiers(modifiers);
}

void RTASWinWindowContext::TakeCapture()
{
    HostLib::HostChildWindow* previous = mHost->SetCapture(mWindow);
    // A second button while the first is down finds this window holding it.
    if (previous != mWindow)
        mPreviousCapture = previous;
}

void RTASWinWindowContext::GiveBackCapture()
{
    if (mHost->GetCapture() != mWindow)
        return;
    mHost->ReleaseCapture();
    if (HostLib::HostChildWindow* previous = std::exchange(mPreviousCapture, nullptr))
        mHost->SetCapture(previous);
}

void RTASWinWindowContext::ButtonDown(const HostMessage& message, bool right)
{
    if (right)
        mRightButton = true;
    Track(message);
    TakeCapture();
    const Point point = GetMousePosition();
    if (!right && mEntry)
    {
        const HostLib::HostRect own = mWindow->GetRect();
        const Rect entry = ToRect(mEntry->window->GetRect())
                               .Offset(mViewRect.left - own.left, mViewRect.top - own.top);
        if (!entry.ContainsPixel(point))
        {
            EndTextEntry(false);
            return;
        }
    }
    mRoot.OnMouseDown(point.x, point.y);
}

void RTASWinWindowContext::ButtonUp(const HostMessage& message, bool right)
{
    Track(message);
    if (DrawContext::MouseCapturer* capturer = GetCapturer())
        capturer->OnCapturedMouseUp(GetMousePosition());
    else
        mRoot.OnCapturedMouseUp(GetMousePosition());
    if (right)
        mRightButton = false;
    SetModifiers({});
    GiveBackCapture();
}

// ------------------------------------------------------------ dialogs and text entry

bool RTASWinWindowContext::RunFileDialog(const FileDialogRequest& request, std::string& path)
{
    // The dialog takes the pointer; the press that opened it will not come up here.
    if (mHost->GetCapture() == mWindow)
        mHost->ReleaseCapture();
    HostLib::HostFileDialog dialog;
    dialog.save = request.save;
    for (const FileDialogRequest::Filter& filter : request.filters)
        dialog.filters.push_back({filter.label, filter.pattern});
    dialog.defaultName = request.defaultName;
    dialog.extension = request.extension;
    dialog.initialDirectory = request.initialDirectory;
    DialogInProgress modal;
    CVLPTPluginView::ModalScope scope(mView, modal);
    return mHost->RunFileDialog(dialog, path);
}

HostLib::HostChildWindow* RTASWinWindowContext::GetTextEntryWindow() const
{
    return mEntry ? mEntry->window : nullptr;
}

void RTASWinWindowContext::RequestTextEdit(const Rect& rect, const std::string& text,
                                           std::shared_ptr<TextEditDialogUserProxy> proxy)
{
    if (mHost->GetCapture() == mWindow)
        mHost->ReleaseCapture();
    // One entry at a time: a new one ends the one before.
    EndTextEntry(false);

    auto entry = std::make_unique<TextEntry>();
    entry->user = std::move(proxy);
    entry->text = text;
    const HostLib::HostRect own = mWindow->GetRect();
    const std::int32_t dx = own.left - mViewRect.left;
    const std::int32_t dy = own.top - mViewRect.top;
    const HostLib::HostRect place{rect.left + dx - 1, rect.top + dy - 2, rect.right + dx,
                                  rect.bottom + dy + 4};
    const auto fail = [&entry]
    {
        // The frame hears that its entry ended before the failure is reported.
        if (entry->user)
            entry->user->Cancel();
        throw AppFrame::ResAlloc();
    };
    if (!entry->pixels.Allocate(place.Width(), place.Height()))
        fail();
    entry->window = mHost->CreateChildWindow(place, &EntryProc, this);
    if (!entry->window)
        fail();
    entry->deviceContext = mHost->GetDC(*entry->window);
    if (!entry->deviceContext)
    {
        mHost->DestroyChildWindow(entry->window);
        fail();
    }
    mHost->SetCursor(*entry->window, HostLib::HostCursor::Text);
    mEntry = std::move(entry);
    mHost->SetFocus(mEntry->window);
}

void RTASWinWindowContext::SetCursor(std::int16_t cursorId)
{
    WindowContext::SetCursor(cursorId);
    // Every cursor the editor names is the one of its controls: a hand.
    if (mWindow)
        mHost->SetCursor(*mWindow, cursorId ? HostLib::HostCursor::Hand : HostLib::HostCursor::Arrow);
}

void RTASWinWindowContext::RestoreCursor()
{
    WindowContext::RestoreCursor();
    if (mWindow)
        mHost->SetCursor(*mWindow, HostLib::HostCursor::Arrow);
}

std::intptr_t RTASWinWindowContext::EntryProc(HostLib::HostChildWindow& window,
                                              const HostMessage& message)
{
    auto* context = static_cast<RTASWinWindowContext*>(window.GetUserData());
    if (!IsLive(context) || !context->mEntry || context->mEntry->window != &window)
        return 0;
    return context->HandleEntryMessage(message);
}

std::intptr_t RTASWinWindowContext::HandleEntryMessage(const HostMessage& message)
{
    TextEntry& entry = *mEntry;
    switch (message.type)
    {
    case HostMessageType::Paint:
        PaintEntry();
        return 0;
    case HostMessageType::KeyDown:
        if (message.key == HostLib::kHostKeyReturn)
            EndTextEntry(true);
        else if (message.key == HostLib::kHostKeyEscape)
            EndTextEntry(false);
        break;
    case HostMessageType::Character:
        if (message.character == HostLib::kHostCharBackspace)
        {
            if (entry.selected)
                entry.text.clear();
            else if (!entry.text.empty())
                entry.text.pop_back();
        }
        else if (static_cast<unsigned char>(message.character) >= 0x20)
        {
            if (entry.selected)
                entry.text.clear();
            entry.text += message.character;
        }
        else
        {
            return 0;
        }
        entry.selected = false;
        entry.window->Invalidate({0, 0, entry.pixels.width, entry.pixels.height});
        return 0;
    case HostMessageType::KillFocus:
        EndTextEntry(false);
        break;
    case HostMessageType::Create:
    case HostMessageType::Destroy:
    case HostMessageType::SetFocus:
    case HostMessageType::MouseMove:
    case HostMessageType::LeftButtonDown:
    case HostMessageType::LeftButtonUp:
    case HostMessageType::RightButtonDown:
    case HostMessageType::RightButtonUp:
        return 0;
    default:
        return mHost->DefaultProcessing(*entry.window, message);
    }
    // An ended entry may have changed the frame it belonged to.
    Present();
    return 0;
}

void RTASWinWindowContext::PaintEntry()
{
    TextEntry& entry = *mEntry;
    RasterContext raster(&entry.pixels);
    raster.BeginDrawing();
    const Rect all{0, 0, entry.pixels.width, entry.pixels.height};
    raster.SetForeColor(kEntryBackground);
    raster.PaintRect(all);
    raster.SetForeColor(kEntryText);
    raster.FrameRect(all);
    raster.SetTextFace(0, kEntryText);
    const std::int32_t textWidth = raster.TextWidth(entry.text);
    const GlyphCache::Metrics metrics = raster.GetTextMetrics();
    const std::int32_t baseline = (all.bottom + metrics.ascent - metrics.descent) / 2;
    // Scrolled so that the end of a long text, where typing goes, shows.
    const std::int32_t x = std::min(kEntryTextInset, all.right - kEntryTextInset - textWidth);
    if (entry.selected && !entry.text.empty())
    {
        raster.SetForeColor(kEntrySelection);
        raster.PaintRect(
            {x - 1, baseline - metrics.ascent, x + textWidth + 1, baseline + metrics.descent});
        raster.SetTextFace(0, kEntrySelectedText);
    }
    raster.MoveTo({x + 1, baseline});
    raster.DrawString(entry.text);
    if (!entry.selected)
    {
        // The caret after the text.
        raster.SetForeColor(kEntryText);
        raster.MoveTo({x + textWidth + 1, baseline - metrics.ascent});
        raster.LineTo({x + textWidth + 1, baseline + metrics.descent - 1});
    }
    raster.EndDrawing();
    CopyPixels(entry.pixels, *entry.deviceContext);
}

void RTASWinWindowContext::EndTextEntry(bool accepted)
{
    if (!mEntry)
        return;
    // From here on there is no entry: whatever the ending sends (the focus
    // leaving, a frame opening a new entry) finds none.
    std::unique_ptr<TextEntry> entry = std::move(mEntry);
    if (std::shared_ptr<TextEditDialogUserProxy> user = std::move(entry->user))
    {
        if (accepted)
            user->Accept(entry->text.substr(0, kMaxEntryLength));
        else
            user->Cancel();
    }
    // Destroying the field gives its focus back to the host window.
    mHost->ReleaseDC(*entry->window, entry->deviceContext);
    mHost->DestroyChildWindow(entry->window);
}
