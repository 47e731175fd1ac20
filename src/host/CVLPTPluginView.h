#pragma once
// The editor's root for the host's plug-in window: a PluginUIRoot whose
// window context is a child window of the host window (RTASWinWindowContext),
// driven by the host library's view (CVLPTPluginViewBridge) through
// CVLPTPluginViewInterface.
//
// - Open stores the host window and origin and opens the root; when the root
//   could not open (it has reported why) Open throws, so that the host hears
//   of the failed open too.
// - Redraw, OnMouseDown and Idle run inside a drawing permit, so what they
//   change is drawn at once; afterwards the window shows it.
// - Idle goes to the modal handler while one is set (a file dialog is
//   waiting inside a click), else to the root.
// - A frame bound to parameters that takes the mouse begins an automation
//   gesture on each of them; releasing it ends them.
//
// Threads: the host's main thread only.

#include "gui/PluginUIRoot.h"
#include "host/CVLPTPluginViewInterface.h"

#include <cstdint>
#include <memory>

class RTASWinWindowContext;

class CVLPTPluginView : public PluginUIRoot, public CVLPTPluginViewInterface
{
public:
    // Takes the host's idle time while something modal runs inside the editor.
    class ModalHandler
    {
    public:
        virtual ~ModalHandler() = default;
        virtual void Idle() = 0;
    };
    // Sets a modal handler for its lifetime and puts the previous one back.
    class ModalScope
    {
    public:
        ModalScope(CVLPTPluginView& view, ModalHandler& handler);
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        CVLPTPluginView& mView;
        ModalHandler* mPrevious;
    };

    // The window bounds are the plug-in's editor size.
    CVLPTPluginView(Client& client, PluginCore& plugin);
    ~CVLPTPluginView() override;

    // --- CVLPTPluginViewInterface ---
    void Open(HostLib::HostWindow* window, std::int32_t x, std::int32_t y) override;
    bool IsOpen() const override { return PluginUIRoot::IsOpen(); }
    void Redraw(std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom) override;
    using PluginUIRoot::Redraw;
    void OnMouseDown(std::int32_t x, std::int32_t y) override;
    void Idle() override;
    void Close() override;
    void SetParameterHighlight(std::int32_t control, bool on, std::int32_t color) override;
    void GetSize(std::int32_t& width, std::int32_t& height) const override;
    void GetOrigin(std::int32_t& x, std::int32_t& y) const override;

    // --- PluginUIRoot ---
    using PluginUIRoot::Open;
    Point GetWindowOrigin() const override { return mOrigin; }
    std::unique_ptr<DrawContext> CreateWindowContext() override;
    void BeginHostGesture(Frame* frame) override;
    void EndHostGesture(Frame* frame) override;

    ModalHandler* GetModalHandler() const { return mModalHandler; }
    // Null while the root is closed.
    RTASWinWindowContext* GetHostWindowContext() const { return mContext; }

private:
    // Shows what a host call drew once the call is over.
    class PresentScope;

    Client& mClient;
    HostLib::HostWindow* mHostWindow = nullptr;
    Point mOrigin;
    RTASWinWindowContext* mContext = nullptr; // owned by the root
    ModalHandler* mModalHandler = nullptr;
};
