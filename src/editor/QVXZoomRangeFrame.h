#pragma once
// The strip under the spectrum plot that shows and sets the frequency zoom
// range. While the current view's frequency zoom is on it shows two handles
// where the ends of the zoom range lie on the plot's unzoomed frequency axis
// (10 Hz ... half the sample rate, linear or logarithmic as the plot is):
// the lower one starts at the lower end and the upper one finishes at the
// upper end, brackets opening toward the range between them. With the zoom
// off the strip is bare and ignores the mouse.
//
// A press on the lower handle or left of it drags the lower end, a press on
// the upper handle or right of it the upper end (between them, the nearer
// one). While the button is held the end follows the pointer, keeping the
// place on the handle where it was taken; the ends stay at least
// kMinimumGap pixels apart (where the two handles just meet), and neither
// goes above half the sample rate. Every move sets the configuration's zoom
// range, with its message; the release ends the drag.
//
// The strip reads the frequency axis from the plot it serves, so both always
// agree; its x positions are the plot's, shifted by where the two frames lie
// in the window.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "gui/Frame.h"

#include <cstdint>

class QVXSpecConfig;
class QVXSpecPlotFrame;

class QVXZoomRangeFrame : public PixMapDrawFrame, public MessageSubscriber<QVXZoomRangeFrame>
{
public:
    // The least distance between the two ends, in pixels.
    static constexpr std::int32_t kMinimumGap = 16;

    enum class Drag
    {
        None,
        Lower,
        Upper
    };

    // The background is the skin picture's rectangle of the frame's size at
    // (sourceX, sourceY); the handles' images come from the same picture at
    // SkinLayout::ZoomHandleImage. The plot is the one whose axis the strip
    // follows (it usually has the strip's x and width); the configuration is
    // the one of the root's core.
    QVXZoomRangeFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, std::int32_t sourceX, std::int32_t sourceY,
                      DrawContext* skin, QVXSpecPlotFrame* plot, std::uint32_t flags = 0,
                      std::int32_t id = 0);
    ~QVXZoomRangeFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // Whether the handles are shown (and the strip takes the mouse).
    bool HasHandles() const;
    // Where the lower and upper ends of the zoom range lie in the strip,
    // clamped to the plot's axis.
    std::int32_t GetLowerX() const;
    std::int32_t GetUpperX() const;
    Drag GetDrag() const { return mDrag; }

private:
    void OnConfigMessage(std::int32_t what);
    void OnCoreMessage(std::int32_t what);
    void OnPlotMessage(std::int32_t what);

    // Strip x of a frequency (Hz), clamped to the plot's axis.
    std::int32_t XOfHz(double hz) const;
    // The frequency (Hz) at strip x: the middle of that pixel of the axis,
    // its ends at and beyond the axis's ends.
    double HzAtX(std::int32_t x) const;
    // Where the plot's x = 0 lies in the strip.
    std::int32_t PlotOffset() const;
    void Follow(std::int32_t x);
    void EndDrag();

    QVXSpecPlotFrame* mPlot = nullptr; // not owned; null once it is gone
    QVXSpecConfig* mConfig = nullptr;  // not owned; null once it is gone
    Drag mDrag = Drag::None;
    // Pointer x minus the dragged end's x at the press.
    std::int32_t mGrab = 0;
};
