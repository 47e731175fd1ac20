#pragma once
// The plug-in's view inside a host window. A process hands one out when the
// host asks to open the plug-in's window; the library attaches it, passes it
// the host's view events while the window is open (draw requests, idle calls,
// mouse presses the host forwards, control highlighting) and detaches and
// deletes it on close.
//
// Mouse and keys that land on the view's own child windows come to those
// windows from the window system (HostWindow.h), not through here.
//
// Threads: main thread only.

#include <cstdint>

class CPlugInView
{
public:
    virtual ~CPlugInView() = default;
    // window: the host's window, a HostLib::HostWindow (null for a host
    // without one); x, y: where the view's top left corner goes in it.
    // Throws when the view cannot open.
    virtual void AttachToWindow(void* window, std::int32_t x, std::int32_t y) = 0;
    virtual void Detach() = 0;

    // The host wants a part of the view drawn (view coordinates, right and
    // bottom outside).
    virtual void Draw(std::int32_t /*top*/, std::int32_t /*left*/, std::int32_t /*bottom*/,
                      std::int32_t /*right*/)
    {
    }
    // The host's idle time, as often as it can spare it.
    virtual void Idle() {}
    // A press the host forwards to the view (view coordinates).
    virtual void MouseDown(std::int32_t /*x*/, std::int32_t /*y*/) {}
    // The host shows (on) or stops showing which of the view's controls
    // belong to its host control `index`, in the host's colour code.
    virtual void SetControlHighlight(std::int32_t /*index*/, bool /*on*/, std::int32_t /*color*/) {}
    // The view's size; false when it has none to tell.
    virtual bool GetSize(std::int32_t& /*width*/, std::int32_t& /*height*/) { return false; }
};
