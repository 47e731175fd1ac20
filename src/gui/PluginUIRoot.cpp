#include "gui/PluginUIRoot.h"

#include "core/MessagingServer.h"
#include "core/TimerManager.h"
#include "gui/ErrorFrame.h"
#include "gui/Frame.h"
#include "gui/FrameOverlay.h"
#include "gui/OGWorld.h"
#include "platform/TickCount.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

namespace
{
// Ticks of the double-click clock: the millisecond counter divided by 17.
std::uint32_t ClickTicks()
{
    return Platform::GetTickCount() / 17;
}

const char* const kCannotOpen = "Cannot open editor window.";
const char* const kNoMemory = "There is insufficient memory available.";
const char* const kUnknownHasOccurred = "An unknown error has occurred.";
const char* const kUnknownOccurred = "An unknown error occurred.";
} // namespace

// ------------------------------------------------------------ permits and agent

PluginUIRoot::DrawingPermit::DrawingPermit(PluginUIRoot& root, bool flush) : mRoot(root)
{
    if (mRoot.mPermits < INT_MAX)
        ++mRoot.mPermits;
    if (!flush)
        return;
    // Drawing a frame never adds to the list while a permit is open, but a
    // frame may be destroyed by what another draws: take them one at a time.
    while (!mRoot.mInvalid.empty())
    {
        Frame* frame = mRoot.mInvalid.front();
        mRoot.mInvalid.erase(mRoot.mInvalid.begin());
        frame->Draw(nullptr, true);
    }
}

PluginUIRoot::DrawingPermit::~DrawingPermit()
{
    if (mRoot.mPermits > 0)
        --mRoot.mPermits;
}

PluginUIRoot::HiliteFrameRemovalAgent::HiliteFrameRemovalAgent(PluginUIRoot& root)
    : MessageSubscriber<HiliteFrameRemovalAgent>(root.GetPluginServices()), mRoot(root)
{
}

void PluginUIRoot::HiliteFrameRemovalAgent::Watch(Frame* frame)
{
    if (mSubRefs.count(frame))
        return;
    const std::int32_t subRef = mNextSubRef++;
    Subscribe(frame->GetPublisher(), subRef, &HiliteFrameRemovalAgent::OnFrameMessage);
    mSubRefs[frame] = subRef;
}

void PluginUIRoot::HiliteFrameRemovalAgent::OnFrameMessage(std::int32_t what)
{
    if (what != FrameEvents::kDestroyed && what != MsgClassDestroyed)
        return;
    const std::int32_t subRef = GetCurrentSubRef();
    for (auto it = mSubRefs.begin(); it != mSubRefs.end(); ++it)
    {
        if (it->second != subRef)
            continue;
        Frame* frame = it->first;
        mSubRefs.erase(it);
        for (auto& [control, frames] : mRoot.mHighlights)
            std::erase_if(frames, [frame](const auto& entry) { return entry.first == frame; });
        break;
    }
}

// ------------------------------------------------------------ lifetime

PluginUIRoot::PluginUIRoot(PluginCore& core, const Rect& windowBounds)
    : PluginServicesClient(&core), mCore(core), mWindowBounds(windowBounds)
{
}

PluginUIRoot::~PluginUIRoot()
{
    Close();
    mPictures.clear();
}

void PluginUIRoot::Open()
{
    if (mOpen)
        return;
    // A failed open leaves no half editor: the core hears that none is open
    // before the error is shown, so it goes to a message box.
    Guarded({kCannotOpen, kNoMemory, kCannotOpen, kUnknownHasOccurred}, [this] { DoOpen(); },
            [this] { Close(); });
}

void PluginUIRoot::DoOpen()
{
    if (!mRemovalAgent)
        mRemovalAgent = std::make_unique<HiliteFrameRemovalAgent>(*this);
    struct Busy
    {
        PluginCore& core;
        explicit Busy(PluginCore& c) : core(c) { core.EnterBusy(); }
        ~Busy() { core.LeaveBusy(); }
    } busy(mCore);
    mWindowContext = CreateWindowContext();
    mMasterFrame = new Frame(this, 0, 0, mWindowBounds.Width(), mWindowBounds.Height(), 0, kMasterFrameId);
    mMasterFrame->SetVisible(false, true);
    ShowPage(mCore.CreateEditorFrame(*this));
    mMasterFrame->SetVisible(true, true);
    mMasterFrame->SetEnabled(true);
    mOpen = true;
    mCore.SetCurrentUIRoot(this);
    mInvalid.clear();
}

void PluginUIRoot::Close()
{
    mOpen = false;
    if (mCapture && mWindowContext)
        mWindowContext->ReleaseMouse();
    mCapture = nullptr;
    mHover = nullptr;
    mCurrentPage = nullptr;
    mAboutPage = nullptr;
    if (mCore.GetCurrentUIRoot() == this)
        mCore.SetCurrentUIRoot(nullptr);
    delete mMasterFrame;
    mMasterFrame = nullptr;
    mInvalid.clear();
    mFloating.clear();
    mHighlights.clear();
    mWindowContext.reset();
    mRemovalAgent.reset();
}

void PluginUIRoot::Suspend(bool suspend)
{
    mSuspendCount += suspend ? 1 : (mSuspendCount > 0 ? -1 : 0);
}

// ------------------------------------------------------------ pages

void PluginUIRoot::ShowPage(Frame* page)
{
    if (mCurrentPage && mCurrentPage != page)
        mCurrentPage->SetVisible(false, true);
    mCurrentPage = page;
    if (!page)
        return;
    page->SetVisible(true, true);
    page->Draw(nullptr, true);
}

void PluginUIRoot::ShowAboutPage()
{
    if (!mAboutPage)
        mAboutPage = mCore.CreateAboutFrame(*this, mCurrentPage);
    if (mAboutPage)
        ShowPage(mAboutPage);
}

// ------------------------------------------------------------ host events

void PluginUIRoot::Activate(bool active)
{
    if (!mOpen || IsSuspended())
        return;
    Guarded({"An error occurred.", kNoMemory, kUnknownHasOccurred, ""}, [this, active] {
        mActive = active;
        if (mMasterFrame)
            mMasterFrame->SetEnabled(active);
        EndCapture();
    });
}

void PluginUIRoot::Redraw(const Rect& rect)
{
    if (!mOpen || !mMasterFrame)
        return;
    if (IsSuspended())
    {
        Invalidate(mMasterFrame);
        return;
    }
    Guarded({kCannotOpen, kNoMemory, kUnknownOccurred, ""}, [this, &rect] {
        mPaintedOnce = true;
        DrawingPermit permit(*this);
        mMasterFrame->Draw(&rect, false);
    });
}

void PluginUIRoot::Idle()
{
    if (!mOpen || IsSuspended() || !mPaintedOnce)
        return;
    Guarded({kUnknownOccurred, kNoMemory, kUnknownOccurred, ""}, [this] {
        mCore.FlushHostParameterChanges();
        TrackHover();
        DispatchPendingMessages();
    });
}

void PluginUIRoot::DispatchPendingMessages()
{
    if (IsSuspended())
        return;
    GetTimerManager().Tick();
    GetMessagingServer().DispatchPosted();
}

void PluginUIRoot::OnMouseDown(std::int32_t x, std::int32_t y)
{
    if (!mOpen || IsSuspended() || !mMasterFrame)
        return;
    Guarded({"Cannot handle mouse click.", kNoMemory, kUnknownOccurred, ""}, [this, x, y] {
        const std::uint32_t now = ClickTicks();
        mDoubleClick = mLastClick != Point{-1, -1} && now - mLastClickTick < kDoubleClickTicks &&
                       std::abs(x - mLastClick.x) <= kDoubleClickPixels &&
                       std::abs(y - mLastClick.y) <= kDoubleClickPixels;
        mLastClickTick = now;
        mLastClick = {x, y};

        EndCapture();
        Frame* target = mFloating.empty() ? mMasterFrame->HitTest(x, y, true) : mFloating.front();
        if (!target)
            return;
        UpdateHover({x, y});
        Frame* const captureBefore = mCapture;
        const Point local = target->GlobalToLocal({x, y});
        target->DispatchMouseEvent(FrameEvents::kMouseDown, local.x, local.y);
        if (mCapture && mCapture != captureBefore && mWindowContext)
            mWindowContext->CaptureMouse(this);
    });
}

void PluginUIRoot::OnCapturedMouseMove(Point point)
{
    if (!mCapture || IsSuspended())
        return;
    Guarded({kUnknownOccurred, kNoMemory, kUnknownOccurred, ""}, [this, point] {
        const Point local = mCapture->GlobalToLocal(point);
        mCapture->DispatchMouseEvent(FrameEvents::kMouseMove, local.x, local.y);
        GetMessagingServer().DispatchPosted();
    });
}

void PluginUIRoot::OnCapturedMouseUp(Point point)
{
    if (!mCapture || IsSuspended())
        return;
    Guarded(
        {kUnknownOccurred, kNoMemory, kUnknownOccurred, ""},
        [this, point] {
            Frame* frame = mCapture;
            const Point local = frame->GlobalToLocal(point);
            frame->DispatchMouseEvent(FrameEvents::kMouseUp, local.x, local.y);
            ReleaseCapture();
            GetMessagingServer().DispatchPosted();
        },
        [this] { ReleaseCapture(); });
}

void PluginUIRoot::OnCaptureTick()
{
    Guarded({kUnknownOccurred, kNoMemory, kUnknownOccurred, ""}, [this] { DispatchPendingMessages(); });
}

// ------------------------------------------------------------ capture and hover

void PluginUIRoot::SetCapture(Frame* frame)
{
    if (mCapture == frame)
        return;
    ReleaseCapture();
    mCapture = frame;
    if (frame)
        BeginHostGesture(frame);
}

void PluginUIRoot::ReleaseCapture()
{
    Frame* frame = mCapture;
    if (!frame)
        return;
    mCapture = nullptr;
    EndHostGesture(frame);
    if (mWindowContext)
        mWindowContext->ReleaseMouse();
}

void PluginUIRoot::EndCapture()
{
    Frame* frame = mCapture;
    if (!frame)
        return;
    // The frame that held the mouse hears the button go up, wherever it is.
    frame->DispatchMouseEvent(FrameEvents::kMouseUp, 0, 0);
    ReleaseCapture();
}

void PluginUIRoot::UpdateHover(Point point)
{
    Frame* target = mFloating.empty() ? mMasterFrame->HitTest(point.x, point.y, true) : mFloating.front();
    if (target == mHover)
    {
        if (target && ((target->GetFlags() & FrameFlags::kHoverMoves) || target == mCapture))
        {
            const Point local = target->GlobalToLocal(point);
            target->DispatchMouseEvent(FrameEvents::kMouseMove, local.x, local.y);
        }
        return;
    }
    Frame* previous = mHover;
    mHover = target;
    if (previous)
        previous->DispatchMouseEvent(FrameEvents::kMouseLeave, -1, -1);
    // The leave handler may have destroyed the new target.
    if (mHover == target && target)
    {
        const Point local = target->GlobalToLocal(point);
        target->DispatchMouseEvent(FrameEvents::kMouseEnter, local.x, local.y);
    }
}

void PluginUIRoot::TrackHover()
{
    if (mCapture || !mMasterFrame || !mMasterFrame->IsEnabled() || !mWindowContext)
        return;
    const Point point = mWindowContext->GetMousePosition();
    if (point == mLastClick || point == mLastHover)
        return;
    mLastHover = point;
    UpdateHover(point);
}

void PluginUIRoot::SetWindowCursor(std::int16_t cursorId)
{
    if (mWindowContext)
        mWindowContext->SetCursor(cursorId);
}

void PluginUIRoot::RequestTextEdit(const Rect& rect, const std::string& text,
                                 std::shared_ptr<TextEditDialogUserProxy> proxy)
{
    if (mWindowContext)
        mWindowContext->RequestTextEdit(rect, text, std::move(proxy));
}

// ------------------------------------------------------------ invalidation

void PluginUIRoot::Invalidate(Frame* frame)
{
    if (!frame)
        return;
    for (Frame* invalid : mInvalid)
    {
        if (frame->IsWithin(invalid))
            return;
    }
    std::erase_if(mInvalid, [frame](Frame* invalid) { return invalid->IsWithin(frame); });
    mInvalid.push_back(frame);
    // The window learns that it needs painting; what is painted comes from the list.
    if (mWindowContext)
        mWindowContext->InvalidateRect(frame->GetGlobalRect());
}

// ------------------------------------------------------------ offscreens and pictures

std::unique_ptr<OGWorld> PluginUIRoot::CreateOffscreen(std::int32_t width, std::int32_t height)
{
    return std::make_unique<OGWorld>(Rect{0, 0, width, height});
}

std::unique_ptr<OGWorld> PluginUIRoot::CreateOffscreenForRect(const Rect& rect)
{
    return std::make_unique<OGWorld>(rect);
}

void PluginUIRoot::GrowOffscreen(std::int32_t width, std::int32_t height)
{
    if (!mOffscreen)
    {
        mOffscreen = CreateOffscreen(width, height);
        return;
    }
    const Rect bounds = mOffscreen->GetBounds();
    if (bounds.Width() >= width && bounds.Height() >= height)
        return;
    mOffscreen->Resize({0, 0, std::max(width, bounds.Width()), std::max(height, bounds.Height())});
}

DrawContext* PluginUIRoot::GetPicture(std::int32_t resourceId)
{
    auto& picture = mPictures[resourceId];
    if (!picture)
        picture = std::make_unique<OGWorld>(resourceId);
    return picture.get();
}

// ------------------------------------------------------------ floating frames

void PluginUIRoot::RegisterFloating(Frame* frame)
{
    if (std::find(mFloating.begin(), mFloating.end(), frame) == mFloating.end())
        mFloating.push_back(frame);
}

void PluginUIRoot::UnregisterFloating(Frame* frame)
{
    std::erase(mFloating, frame);
}

void PluginUIRoot::OnFrameDestroyed(Frame* frame)
{
    std::erase(mInvalid, frame);
    std::erase(mFloating, frame);
    if (mHover == frame)
        mHover = nullptr;
    if (mCapture == frame)
        mCapture = nullptr;
    if (mCurrentPage == frame)
        mCurrentPage = nullptr;
    if (mAboutPage == frame)
        mAboutPage = nullptr;
}

// ------------------------------------------------------------ highlighting and errors

std::unique_ptr<FrameOverlay> PluginUIRoot::CreateParameterHighlighter(std::int32_t colorIndex,
                                                                       std::int32_t corners)
{
    return std::make_unique<DefaultParameterHighlighter>(colorIndex, corners);
}

void PluginUIRoot::AddParameterFrame(std::int32_t control, Frame* frame, std::int32_t mode)
{
    if (!mRemovalAgent)
        mRemovalAgent = std::make_unique<HiliteFrameRemovalAgent>(*this);
    mRemovalAgent->Watch(frame);
    mHighlights[control].emplace_back(frame, mode);
}

std::vector<std::int32_t> PluginUIRoot::GetParameterControls(const Frame* frame) const
{
    std::vector<std::int32_t> controls;
    for (const auto& [control, frames] : mHighlights)
    {
        if (std::any_of(frames.begin(), frames.end(), [frame](const auto& entry) { return entry.first == frame; }))
            controls.push_back(control);
    }
    return controls;
}

void PluginUIRoot::SetParameterHighlight(std::int32_t control, bool on, std::int32_t hostColor)
{
    const std::int32_t colorIndex = hostColor >= 1 && hostColor <= 3 ? hostColor : 0;
    const auto found = mHighlights.find(control);
    if (found == mHighlights.end())
        return;
    // Copied: redrawing may not, but a highlight change must never walk a changing list.
    const auto frames = found->second;
    for (const auto& [frame, mode] : frames)
    {
        if (mode == 1)
        {
            if (auto* aware = dynamic_cast<ParameterHiliteAwareFrame*>(frame))
            {
                aware->SetParameterHilite(on, colorIndex);
                continue;
            }
        }
        frame->SetOverlay(on ? CreateParameterHighlighter(colorIndex, mode) : nullptr);
    }
}

void PluginUIRoot::ShowErrorFrame(const std::string& title, const std::string& message, std::int32_t code,
                                  std::int32_t severity)
{
    if (!mMasterFrame)
        return;
    new ErrorFrame(mMasterFrame, title, message, code, severity);
}

void PluginUIRoot::ReportFailure(const FailureTexts& texts, bool outOfMemory)
{
    try
    {
        if (outOfMemory)
            mCore.ReportError(texts.noMemoryMessage, texts.noMemoryDetail, 0, 2);
        else
            mCore.ReportError(texts.otherMessage, texts.otherDetail, 0, 2);
    }
    catch (...)
    {
        // Reporting itself failed: nothing more can be shown.
    }
}
