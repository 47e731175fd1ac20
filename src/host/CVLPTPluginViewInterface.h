#pragma once
// What the host library's view (CVLPTPluginViewBridge) and the editor's root
// for the host window (CVLPTPluginView) know of each other: the view's
// operations the host's events turn into, and the client's one callback, the
// automation gesture on a parameter.
//
// Threads: the host's main thread only.

#include <cstdint>

namespace HostLib
{
class HostWindow;
}

class CVLPTPluginViewInterface
{
public:
    class Client
    {
    public:
        virtual ~Client() = default;
        // The user takes hold of (begin) or lets go of a control bound to
        // the plug-in's parameter parameterIndex.
        virtual void Touch(std::int32_t parameterIndex, bool begin) = 0;
    };

    virtual ~CVLPTPluginViewInterface() = default;
    // Opens the editor in window with its origin at (x, y); throws when it
    // cannot (the window system refused, no memory).
    virtual void Open(HostLib::HostWindow* window, std::int32_t x, std::int32_t y) = 0;
    virtual bool IsOpen() const = 0;
    // View coordinates, right and bottom outside.
    virtual void Redraw(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom) = 0;
    virtual void OnMouseDown(std::int32_t x, std::int32_t y) = 0;
    virtual void Idle() = 0;
    virtual void Close() = 0;
    // control: the plug-in's parameter index; color: the host's colour code.
    virtual void SetParameterHighlight(std::int32_t control, bool on, std::int32_t color) = 0;
    virtual void GetSize(std::int32_t& width, std::int32_t& height) const = 0;
    virtual void GetOrigin(std::int32_t& x, std::int32_t& y) const = 0;
};
