#pragma once
// The plug-in's view inside a host window. A process hands one out when the
// host asks to open the plug-in's window; the library attaches it, keeps it
// while the window is open and detaches and deletes it on close.
//
// Threads: main thread only.

#include <cstdint>

class CPlugInView
{
public:
    virtual ~CPlugInView() = default;
    // window: the host's window (null for an offscreen host); x, y: where the
    // view's top left corner goes in it. Throws when the view cannot open.
    virtual void AttachToWindow(void* window, std::int32_t x, std::int32_t y) = 0;
    virtual void Detach() = 0;
};
