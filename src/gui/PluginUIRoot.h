#pragma once
// The root of one open editor window: it owns the frame tree under its master
// frame, routes the window's mouse, paint, activation and idle events to the
// frames, keeps the list of frames waiting to be drawn, shows pages (the
// editor, the about page), draws the host's parameter highlights and shows
// errors inside the editor as an ErrorFrame.
//
// A host view derives from it and supplies the window context; the view
// calls Open, Close, Activate, Redraw, Idle, OnMouseDown and the capturer
// operations, and wraps its own drawing in a DrawingPermit. Every one of those
// entry points catches what the frames throw and reports it, so nothing
// escapes into the host.
//
// Threads: UI thread only.

#include "base/Geometry.h"
#include "core/MessageSubscriber.h"
#include "core/PluginCore.h"
#include "core/PluginServices.h"
#include "gui/DrawContext.h"

#include <cstdint>
#include <map>
#include <new>
#include <memory>
#include <string>
#include <vector>

class Frame;
class FrameOverlay;
class OGWorld;
class TextEditDialogUserProxy;

// A frame that draws a host parameter's highlight itself.
class ParameterHiliteAwareFrame
{
public:
    virtual ~ParameterHiliteAwareFrame() = default;
    virtual void SetParameterHilite(bool on, std::int32_t colorIndex) = 0;
};

class PluginUIRoot : public PluginServicesClient, public DrawContext::MouseCapturer, public PluginUIRootLink
{
public:
    // Id of the master frame.
    static constexpr std::int32_t kMasterFrameId = FourCCValue("mstr");
    // Clicks closer than this many ticks and pixels form a double click.
    static constexpr std::int32_t kDoubleClickTicks = 15;
    static constexpr std::int32_t kDoubleClickPixels = 4;

    // Opens the drawing of frames for its lifetime; with flush it first draws
    // every frame on the invalid list.
    class DrawingPermit
    {
    public:
        explicit DrawingPermit(PluginUIRoot& root, bool flush = false);
        ~DrawingPermit();
        DrawingPermit(const DrawingPermit&) = delete;
        DrawingPermit& operator=(const DrawingPermit&) = delete;

    private:
        PluginUIRoot& mRoot;
    };

    // Removes destroyed frames from the parameter highlight registry.
    class HiliteFrameRemovalAgent : public MessageSubscriber<HiliteFrameRemovalAgent>
    {
    public:
        explicit HiliteFrameRemovalAgent(PluginUIRoot& root);
        void Watch(Frame* frame);
        void OnFrameMessage(std::int32_t what);

    private:
        PluginUIRoot& mRoot;
        std::int32_t mNextSubRef = 1;
        std::map<Frame*, std::int32_t> mSubRefs;
    };

    PluginUIRoot(PluginCore& core, const Rect& windowBounds);
    ~PluginUIRoot() override;

    // DrawContext::MouseCapturer
    void OnCapturedMouseMove(Point point) override;
    void OnCapturedMouseUp(Point point) override;
    void OnCaptureTick() override;

    virtual Frame* GetMasterFrame() const { return mMasterFrame; }
    virtual bool IsActive() const { return mActive; }
    virtual bool IsOpen() const { return mOpen; }
    virtual bool IsDoubleClick() const { return mDoubleClick; }
    virtual void SetWindowCursor(std::int16_t cursorId);
    virtual Rect GetWindowBounds() const { return mWindowBounds; }
    virtual Point GetWindowOrigin() const { return {}; }
    virtual void ShowPage(Frame* page);
    virtual Frame* GetCurrentPage() const { return mCurrentPage; }
    virtual void ShowAboutPage();
    virtual void OnMouseDown(std::int32_t x, std::int32_t y);
    virtual void OnEmptyHook() {}
    // One pass of the timers, then the posted messages (not while suspended).
    virtual void DispatchPendingMessages();
    virtual void SetCapture(Frame* frame);
    virtual void ReleaseCapture();
    virtual Frame* GetCapture() const { return mCapture; }
    virtual void RequestTextEdit(const Rect& rect, const std::string& text,
                                 std::shared_ptr<TextEditDialogUserProxy> proxy);
    virtual bool ViewBuffersItsDrawing() const { return false; }
    virtual std::unique_ptr<OGWorld> CreateOffscreen(std::int32_t width, std::int32_t height);
    virtual std::unique_ptr<OGWorld> CreateOffscreenForRect(const Rect& rect);
    // Host paint of rect (window coordinates).
    virtual void Redraw(const Rect& rect);
    virtual void Idle();
    virtual void BeginHostGesture(Frame* /*frame*/) {}
    virtual void EndHostGesture(Frame* /*frame*/) {}
    virtual void Open();
    virtual void Close();
    virtual void Activate(bool active);
    virtual std::unique_ptr<DrawContext> CreateWindowContext() = 0;
    virtual std::unique_ptr<FrameOverlay> CreateParameterHighlighter(std::int32_t colorIndex, std::int32_t corners);

    // PluginUIRootLink: errors go into the editor while it is open.
    bool CanShowError() const override { return mOpen && mMasterFrame; }
    void ShowErrorFrame(const std::string& title, const std::string& message, std::int32_t code,
                        std::int32_t severity) override;

    // Host parameter highlighting. Host colour codes 1, 2, 3 are colour
    // indices 1, 2, 3; any other code is 0.
    void SetParameterHighlight(std::int32_t control, bool on, std::int32_t hostColor);
    // Mode 1 with a ParameterHiliteAwareFrame: the frame draws it itself.
    void AddParameterFrame(std::int32_t control, Frame* frame, std::int32_t mode);
    // The controls a frame is registered under, in increasing order (a host
    // view begins and ends their gestures when the frame takes and releases
    // the mouse).
    std::vector<std::int32_t> GetParameterControls(const Frame* frame) const;

    void Invalidate(Frame* frame);
    const std::vector<Frame*>& GetInvalidFrames() const { return mInvalid; }
    bool IsDrawingPermitted() const { return mPermits > 0; }

    DrawContext* GetWindowContext() const { return mWindowContext.get(); }
    // The shared offscreen of buffered frames, grown to at least width × height.
    void GrowOffscreen(std::int32_t width, std::int32_t height);
    OGWorld* GetOffscreen() const { return mOffscreen.get(); }
    // A skin picture, loaded once and kept while the root lives.
    DrawContext* GetPicture(std::int32_t resourceId);

    void RegisterFloating(Frame* frame);
    void UnregisterFloating(Frame* frame);
    const std::vector<Frame*>& GetFloatingFrames() const { return mFloating; }
    Frame* GetHoverFrame() const { return mHover; }

    // While positive, mouse, paint, activation and idle events are ignored.
    void Suspend(bool suspend);
    bool IsSuspended() const { return mSuspendCount > 0; }

    PluginCore& GetCore() const { return mCore; }

    // A frame going away: forget every reference to it.
    void OnFrameDestroyed(Frame* frame);

protected:
    // What an entry point reports when its work fails: out of memory
    // (std::bad_alloc, AppFrame::ResAlloc) or anything else.
    struct FailureTexts
    {
        const char* noMemoryMessage;
        const char* noMemoryDetail;
        const char* otherMessage;
        const char* otherDetail;
    };
    void ReportFailure(const FailureTexts& texts, bool outOfMemory);
    // Runs work; whatever it throws is caught, cleanUp runs, then the failure
    // is reported, so nothing escapes into the host.
    template <class Work, class CleanUp = void (*)()>
    void Guarded(const FailureTexts& texts, Work&& work, CleanUp&& cleanUp = [] {})
    {
        bool outOfMemory = false;
        try
        {
            work();
            return;
        }
        catch (const std::bad_alloc&)
        {
            outOfMemory = true;
        }
        catch (const AppFrame::ResAlloc&)
        {
            outOfMemory = true;
        }
        catch (...)
        {
        }
        cleanUp();
        ReportFailure(texts, outOfMemory);
    }

private:
    friend class Frame;

    void DoOpen();
    void UpdateHover(Point point);
    void EndCapture();
    void TrackHover();

    PluginCore& mCore;
    Rect mWindowBounds;
    std::uint32_t mLastClickTick = 0;
    Point mLastClick{-1, -1};
    bool mDoubleClick = false;
    Frame* mMasterFrame = nullptr; // owned; deleted in Close
    bool mOpen = false;
    bool mActive = true;
    std::unique_ptr<DrawContext> mWindowContext;
    Frame* mHover = nullptr;
    Frame* mCapture = nullptr;
    Frame* mCurrentPage = nullptr;
    Frame* mAboutPage = nullptr;
    std::unique_ptr<OGWorld> mOffscreen;
    std::int32_t mPermits = 0;
    std::vector<Frame*> mInvalid;
    std::vector<Frame*> mFloating;
    std::map<std::int32_t, std::vector<std::pair<Frame*, std::int32_t>>> mHighlights;
    std::unique_ptr<HiliteFrameRemovalAgent> mRemovalAgent;
    Point mLastHover{-1, -1};
    bool mPaintedOnce = false;
    std::int32_t mSuspendCount = 0;
    std::map<std::int32_t, std::unique_ptr<OGWorld>> mPictures;
};
