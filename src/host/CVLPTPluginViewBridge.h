#pragma once
// The host library's view of a CVLPTProcess: it turns the host's view events
// into calls of the editor's view (CVLPTPluginView, reached only through
// CVLPTPluginViewInterface), and the view's automation gestures into the
// library's touch and release of host controls.
//
// - attach: stores the place and opens the view there; a view that cannot
//   open throws, and the library reports the failed open to the host;
// - draw, idle, mouse down, detach: the view's Redraw, Idle, OnMouseDown,
//   Close;
// - highlight of host control index i: the view's parameter i - 2, only for
//   parameters (i >= 2, index 1 is the master bypass) and while the view is
//   open;
// - touch of parameter p (p >= 0): host control p + 2, touched on begin,
//   released on end.
//
// Our host library keeps no drawing state of its own to save and restore
// around a view's calls (each child window draws through its own device
// context); the view brackets each call with what the call needs instead: a
// drawing permit, and showing what was drawn once the call is over.
//
// Threads: the host's main thread only.

#include "host/CVLPTPluginViewInterface.h"
#include "hostlib/CPlugInView.h"

#include <cstdint>
#include <memory>

class CVLPTProcess;

class CVLPTPluginViewBridge final : public CPlugInView, public CVLPTPluginViewInterface::Client
{
public:
    // The process must have its plug-in object.
    explicit CVLPTPluginViewBridge(CVLPTProcess& process);
    ~CVLPTPluginViewBridge() override;

    // --- CPlugInView ---
    void AttachToWindow(void* window, std::int32_t x, std::int32_t y) override;
    void Detach() override;
    void Draw(std::int32_t top, std::int32_t left, std::int32_t bottom,
              std::int32_t right) override;
    void Idle() override;
    void MouseDown(std::int32_t x, std::int32_t y) override;
    void SetControlHighlight(std::int32_t index, bool on, std::int32_t color) override;
    bool GetSize(std::int32_t& width, std::int32_t& height) override;

    // --- CVLPTPluginViewInterface::Client ---
    void Touch(std::int32_t parameterIndex, bool begin) override;

private:
    CVLPTProcess& mProcess;
    std::unique_ptr<CVLPTPluginViewInterface> mView;
    std::int32_t mX = 0;
    std::int32_t mY = 0;
    HostLib::HostWindow* mWindow = nullptr;
};
