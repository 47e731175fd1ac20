#pragma once
// Chooses the spectrogram's colour map of each channel slot. The skin draws
// two columns of sixteen swatches, 7 pixels high, one swatch per map (column
// 0 for the first slot, column 1 for the second); this frame marks the chosen
// swatch of each column with two small white frames beside it and turns
// presses and drags into the configuration's colour maps.
//
// A press inside a column takes the mouse; every move and the release then
// choose the map under the pointer for that column and, so that both
// channels keep one look unless asked otherwise, the same map for the other
// column. Shift held at the press chooses for the pressed column alone. A
// mono instance has one channel: the second column is painted over with the
// skin's panel colour and does not react.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "gui/Frame.h"

#include <array>
#include <cstdint>

class QVXSpecConfig;

class QVXSpectrogramColorFrame : public PixMapDrawFrame,
                                 public MessageSubscriber<QVXSpectrogramColorFrame>
{
public:
    static constexpr std::int32_t kColumnCount = 2;
    // The swatch columns in the frame.
    static constexpr std::array<Rect, kColumnCount> kColumns{Rect{6, 6, 56, 118},
                                                             Rect{6, 136, 56, 248}};
    static constexpr std::int32_t kSwatchHeight = 7;
    static constexpr std::int32_t kMarkerWidth = 3;
    // Mono: the skin pixel whose colour paints over the second column, and
    // the painted rectangle (frame coordinates).
    static constexpr Point kPanelColorPixel{546, 328};
    static constexpr Rect kMonoCover{5, 120, 59, 267};

    // The background is the skin picture's rectangle of the frame's size at
    // (sourceX, sourceY); the skin also lends the mono cover's colour. The
    // configuration is the one of the root's core.
    QVXSpectrogramColorFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height, std::int32_t sourceX, std::int32_t sourceY,
                             DrawContext* skin, std::uint32_t flags = 0, std::int32_t id = 0);
    ~QVXSpectrogramColorFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // The column whose rectangle holds (x, y) strictly inside (edges
    // excluded), -1 for none; on a mono instance only column 0.
    std::int32_t ColumnAt(std::int32_t x, std::int32_t y) const;
    // The map whose swatch a height y of a column points at, clamped 0 ... 15.
    static std::int32_t IndexAt(std::int32_t column, std::int32_t y);
    bool IsMono() const;
    // The column being dragged in, -1 while the mouse is not held.
    std::int32_t GetDragColumn() const { return mDragColumn; }

private:
    void OnConfigMessage(std::int32_t what);
    void OnCoreMessage(std::int32_t what);
    void Choose(std::int32_t y);
    void DrawMarkers(DrawContext& context, std::int32_t column);

    QVXSpecConfig* mConfig = nullptr; // not owned; null once it is gone
    std::int32_t mDragColumn = -1;
    // The drag chooses for its own column only (Shift, or mono).
    bool mIndependent = false;
};
