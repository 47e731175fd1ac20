#include "editor/QVXSpectrogramColorFrame.h"

#include "editor/QVXColorMaps.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"

#include <algorithm>

namespace
{
constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kCoreSubRef = 2;
constexpr CVLCanvas::ColorSpec kWhite{255, 255, 255};
} // namespace

QVXSpectrogramColorFrame::QVXSpectrogramColorFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                                   std::int32_t width, std::int32_t height,
                                                   std::int32_t sourceX, std::int32_t sourceY,
                                                   DrawContext* skin, std::uint32_t flags,
                                                   std::int32_t id)
    : PixMapDrawFrame(parent, x, y, width, height, sourceX, sourceY, skin, flags, id),
      MessageSubscriber<QVXSpectrogramColorFrame>(&parent->GetRoot()->GetCore()),
      mConfig(FindSpecConfig(&parent->GetRoot()->GetCore()))
{
    if (mConfig)
        Subscribe(mConfig->GetMsgClass(QVXSpecConfigMessages::kClass), kConfigSubRef,
                  &QVXSpectrogramColorFrame::OnConfigMessage);
    // Stream-format changes ('cfg ') redraw it, as they redraw every display
    // of the analysis.
    Subscribe(GetRoot()->GetCore().GetMsgClass(PluginCoreMessages::kConfigClass), kCoreSubRef,
              &QVXSpectrogramColorFrame::OnCoreMessage);
}

QVXSpectrogramColorFrame::~QVXSpectrogramColorFrame() = default;

bool QVXSpectrogramColorFrame::IsMono() const
{
    return GetRoot()->GetCore().GetChannelConfig().inputs < 2;
}

std::int32_t QVXSpectrogramColorFrame::ColumnAt(std::int32_t x, std::int32_t y) const
{
    const std::int32_t columns = IsMono() ? 1 : kColumnCount;
    for (std::int32_t column = 0; column < columns; ++column)
    {
        const Rect& r = kColumns[static_cast<std::size_t>(column)];
        if (x > r.left && x < r.right && y > r.top && y < r.bottom)
            return column;
    }
    return -1;
}

std::int32_t QVXSpectrogramColorFrame::IndexAt(std::int32_t column, std::int32_t y)
{
    const Rect& r = kColumns[static_cast<std::size_t>(std::clamp(column, 0, kColumnCount - 1))];
    // Drags beyond either end of the column stay on its end swatch.
    return std::clamp((y - r.top) / kSwatchHeight, 0, kColorMapCount - 1);
}

void QVXSpectrogramColorFrame::DrawMarkers(DrawContext& context, std::int32_t column)
{
    const Rect& r = kColumns[static_cast<std::size_t>(column)];
    const std::int32_t top = r.top + mConfig->GetSpectrogramColorMap(column) * kSwatchHeight;
    const std::int32_t bottom = top + kSwatchHeight;
    context.SetForeColor(kWhite);
    context.FrameRect({r.left - kMarkerWidth, top, r.left, bottom});
    context.FrameRect({r.right + 1, top, r.right + 1 + kMarkerWidth, bottom});
}

void QVXSpectrogramColorFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    PixMapDrawFrame::DrawContent(context, rect);
    const bool mono = IsMono();
    if (mConfig)
    {
        DrawMarkers(context, 0);
        if (!mono)
            DrawMarkers(context, 1);
    }
    if (mono)
    {
        CVLCanvas::ColorSpec panel{};
        if (DrawContext* skin = GetPixMap())
            skin->GetPixel(kPanelColorPixel, panel);
        context.SetForeColor(panel);
        context.PaintRect(kMonoCover);
    }
}

void QVXSpectrogramColorFrame::Choose(std::int32_t y)
{
    if (!mConfig || mDragColumn < 0)
        return;
    const std::int32_t index = IndexAt(mDragColumn, y);
    mConfig->SetSpectrogramColorMap(mDragColumn, index, true);
    if (!mIndependent)
        mConfig->SetSpectrogramColorMap(1 - mDragColumn, index, true);
}

void QVXSpectrogramColorFrame::OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y)
{
    switch (type)
    {
    case FrameEvents::kMouseDown:
    {
        const std::int32_t column = ColumnAt(x, y);
        if (column < 0)
            break;
        DrawContext* window = GetRoot()->GetWindowContext();
        mDragColumn = column;
        mIndependent = IsMono() || (window && window->IsShiftDown());
        GetRoot()->SetCapture(this);
        break;
    }
    case FrameEvents::kMouseMove:
        Choose(y);
        break;
    case FrameEvents::kMouseUp:
        Choose(y);
        mDragColumn = -1;
        if (GetRoot()->GetCapture() == this)
            GetRoot()->ReleaseCapture();
        break;
    default:
        break;
    }
}

void QVXSpectrogramColorFrame::OnConfigMessage(std::int32_t what)
{
    switch (what)
    {
    case MsgClassDestroyed:
        mConfig = nullptr;
        mDragColumn = -1;
        break;
    case QVXSpecConfigMessages::kColorMap:
    case QVXSpecConfigMessages::kSpectrumView:
        Draw(nullptr, true);
        break;
    default:
        break;
    }
}

void QVXSpectrogramColorFrame::OnCoreMessage(std::int32_t what)
{
    if (what != MsgClassDestroyed)
        Draw(nullptr, true);
}
