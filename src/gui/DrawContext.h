#pragma once
// The surface every frame paints on: pen, fore and back colour, lines,
// rectangles, ovals, text, picture copies and pixel reads, plus the list of
// protected regions that floating frames keep free of other frames' paint.
// RasterContext realises it on a pixel buffer with the pixel rules of the
// platform the editor was designed on; WindowContext adds what only a window
// has (mouse, capture, invalidation, modifier keys, dialogs, text entry).
//
// Coordinates. Drawing coordinates p land on device pixel p - origin
// (SetOrigin): a frame whose top-left corner sits at (gx, gy) in the window
// sets the origin to (-gx, -gy) and then draws in its own local coordinates.
// Rectangles exclude their right and bottom edges. Protected regions and the
// clip region are kept in device coordinates.
//
// Colours have 16-bit components; a device with 8 bits per component uses the
// low byte of each, so (65535, 0, 0) and (255, 0, 0) are the same red. Pixels
// read back come with components 0 to 255.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "base/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Frame;
class TextEditDialogUserProxy;

// What a settings-file or export dialog asks the user; the window's dialog
// service answers it.
struct FileDialogRequest
{
    struct Filter
    {
        std::string label;   // e.g. "CVL Settings Files (*.quarvix)"
        std::string pattern; // e.g. "*.quarvix"
    };
    bool save = false;
    std::vector<Filter> filters;
    std::string defaultName;      // proposed file name (save)
    std::string extension;        // added to a chosen name without one (save), e.g. ".quarvix"
    std::string initialDirectory; // empty: the service's choice
};

class DrawContext
{
public:
    // A set of device pixels, for clipping.
    class Region
    {
    public:
        virtual ~Region() = default;
        // Back to the one-pixel rectangle (0, 0, 1, 1).
        virtual void Reset() = 0;
        virtual void SetRect(const Rect& rect) = 0;
        virtual void Union(const Region& other) = 0;
        virtual void Difference(const Region& other) = 0;
        virtual void Intersect(const Region& other) = 0;
        virtual bool IsEmpty() const = 0;
        // Whether the device pixel is in the region.
        virtual bool Contains(Point pixel) const = 0;
    };

    // Who receives the mouse while it is captured (the UI root).
    class MouseCapturer
    {
    public:
        virtual ~MouseCapturer() = default;
        virtual void OnCapturedMouseMove(Point point) = 0;
        virtual void OnCapturedMouseUp(Point point) = 0;
        // Every tick of the window's 30 ms timer while captured or not.
        virtual void OnCaptureTick() = 0;
    };

    // Text faces: 0 the 8-point face, 1 the 7-point face.
    static constexpr std::int32_t kFaceCount = 2;

    explicit DrawContext(std::intptr_t handle = 0) : mHandle(handle) {}
    virtual ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    std::intptr_t GetHandle() const { return mHandle; }

    virtual void* GetNativeHandle() const = 0;
    virtual void BeginDrawing() = 0;
    virtual void EndDrawing() = 0;
    virtual void SetOrigin(Point origin) = 0;
    virtual Point GetOrigin() const = 0;
    // The pointer in window coordinates; (0, 0) for contexts without a window.
    virtual Point GetMousePosition() { return {}; }
    virtual void SetCursor(std::int16_t /*cursorId*/) {}
    virtual void RestoreCursor() {}
    virtual void SetForeColor(const CVLCanvas::ColorSpec& color) = 0;
    virtual void SetBackColor(const CVLCanvas::ColorSpec& color) = 0;
    virtual void MoveTo(Point point) = 0;
    // From the pen to point, both end points included (a zero-length line is
    // one pixel); the pen moves to point.
    virtual void LineTo(Point point) = 0;
    // Lines through count points, as MoveTo(first) then LineTo each.
    virtual void Polyline(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count) = 0;
    // Filled in the fore colour; an empty rectangle draws nothing.
    virtual void PaintRect(const Rect& rect) = 0;
    virtual void PaintOval(const Rect& rect) = 0;
    virtual void FrameOval(const Rect& rect) = 0;
    // A one-pixel frame just inside the rectangle.
    virtual void FrameRect(const Rect& rect) = 0;
    // Face 0 or 1 selects the font (other faces keep it); then SetForeColor.
    virtual void SetTextFace(std::int32_t face, const CVLCanvas::ColorSpec& color) = 0;
    // Text with its baseline at the pen's y, starting at the pen's x - 1.
    virtual void DrawString(std::string_view text) = 0;
    // Word-wrapped into the rectangle shifted by (-5, +12), a word too wide
    // for a line cut with an ellipsis, lines below the rectangle still drawn.
    virtual void DrawTextInRect(std::string_view text, const Rect& rect) = 0;
    virtual std::int32_t TextWidth(std::string_view text) = 0;
    // Copies the picture's top-left part of the rectangle's size into it.
    virtual void DrawPicture(std::int32_t resourceId, const Rect& rect) = 0;
    // Fore black, back white.
    virtual void ResetColors() = 0;
    // A plain copy of sourceRect (source drawing coordinates) to destination.
    // A one-bit source draws its 0 pixels in the fore colour and its 1 pixels
    // in the back colour; resetColors makes those black and white.
    virtual void CopyBits(DrawContext& source, const Rect& sourceRect, Point destination, bool resetColors) = 0;
    // destination ^= source; destination &= mask; destination ^= source:
    // where the mask is white the destination stays, where black the source shows.
    virtual void CopyMasked(DrawContext& source, const Rect& sourceRect, DrawContext& mask, Point maskPoint,
                            Point destination) = 0;
    virtual void GetPixel(Point point, CVLCanvas::ColorSpec& color) = 0;
    virtual Rect GetClipBounds() { return {}; }

    // Modifier keys, from the window; always false elsewhere. Ctrl means Ctrl
    // (or a secondary click) without Shift; Shift means Shift without Ctrl.
    virtual bool IsCtrlDown() { return false; }
    virtual bool IsShiftDown() { return false; }
    virtual bool IsCtrlShiftDown() { return false; }
    virtual bool IsFourthModifierDown() { return false; }

    virtual void CaptureMouse(MouseCapturer* /*capturer*/) {}
    virtual void ReleaseMouse() {}
    // Window coordinates.
    virtual void ValidateRect(const Rect& /*rect*/) {}
    virtual void InvalidateRect(const Rect& /*rect*/) {}

    // Protected regions (window coordinates) of floating frames, sorted by
    // level. A second region for the same owner is ignored.
    void AddProtectedRegion(Frame* owner, const Rect& rect, std::int32_t level);
    void RemoveProtectedRegion(Frame* owner);
    void SuspendProtectedRegion(Frame* owner, bool suspended);
    void ClearProtectedRegions();
    std::int32_t GetProtectedRegionCount() const { return static_cast<std::int32_t>(mProtected.size()); }
    // Clips to rect (drawing coordinates) minus the protected area.
    void SetClipExcludingProtected(const Rect& rect);

    // Settings-file and export dialogs; false when the user cancels or there
    // is no window to ask on.
    virtual bool RunFileDialog(const FileDialogRequest& /*request*/, std::string& /*path*/) { return false; }
    // Opens a text entry over rect (window coordinates) holding text; the
    // answer comes back through the proxy.
    virtual void RequestTextEdit(const Rect& /*rect*/, const std::string& /*text*/,
                                 std::shared_ptr<TextEditDialogUserProxy> /*proxy*/)
    {
    }

    // Rectangular clip, rect in drawing coordinates.
    virtual void SetClipRect(const Rect& rect) = 0;
    virtual Rect RectToDevice(const Rect& rect) const = 0;
    virtual std::unique_ptr<Region> CreateRegion() const = 0;
    // Clips to region (device coordinates); null removes the clip.
    virtual void SetClipRegion(std::unique_ptr<Region> region) = 0;

protected:
    struct ProtectedRegion
    {
        Frame* owner = nullptr;
        Rect rect;
        std::int32_t level = 0;
        bool suspended = false;
    };

    // The union of the protected rectangles from the lowest level up to the
    // first suspended one; null when there is none.
    const Region* GetProtectedArea() const { return mProtectedArea.get(); }

private:
    void RebuildProtectedArea();

    std::intptr_t mHandle = 0;
    std::vector<ProtectedRegion> mProtected;
    std::unique_ptr<Region> mProtectedArea;
};
