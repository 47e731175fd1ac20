#include "editor/QVXZoomRangeFrame.h"

#include "editor/QVXSpecPlotFrame.h"
#include "editor/SkinLayout.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"

#include <algorithm>

namespace
{
constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kCoreSubRef = 2;
constexpr std::int32_t kPlotSubRef = 3;
constexpr std::int32_t kHandleWidth = SkinLayout::kZoomHandleSize.width;
constexpr std::int32_t kHandleHeight = SkinLayout::kZoomHandleSize.height;
} // namespace

QVXZoomRangeFrame::QVXZoomRangeFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                     std::int32_t width, std::int32_t height, std::int32_t sourceX,
                                     std::int32_t sourceY, DrawContext* skin,
                                     QVXSpecPlotFrame* plot, std::uint32_t flags, std::int32_t id)
    : PixMapDrawFrame(parent, x, y, width, height, sourceX, sourceY, skin, flags, id),
      MessageSubscriber<QVXZoomRangeFrame>(&parent->GetRoot()->GetCore()), mPlot(plot),
      mConfig(FindSpecConfig(&parent->GetRoot()->GetCore()))
{
    if (mConfig)
        Subscribe(mConfig->GetMsgClass(QVXSpecConfigMessages::kClass), kConfigSubRef,
                  &QVXZoomRangeFrame::OnConfigMessage);
    // A new sample rate moves every frequency on the axis.
    Subscribe(GetRoot()->GetCore().GetMsgClass(PluginCoreMessages::kConfigClass), kCoreSubRef,
              &QVXZoomRangeFrame::OnCoreMessage);
    if (mPlot)
        Subscribe(mPlot->GetPublisher(), kPlotSubRef, &QVXZoomRangeFrame::OnPlotMessage);
}

QVXZoomRangeFrame::~QVXZoomRangeFrame() = default;

bool QVXZoomRangeFrame::HasHandles() const
{
    return mPlot && mConfig && mConfig->GetFreqZoom();
}

std::int32_t QVXZoomRangeFrame::PlotOffset() const
{
    return mPlot ? mPlot->GetGlobalRect().left - GetGlobalRect().left : 0;
}

std::int32_t QVXZoomRangeFrame::XOfHz(double hz) const
{
    const QVXSpecPlotFreqScale& scale = mPlot->GetFreqScale();
    const std::int32_t x = scale.MapUnzoomed(hz / scale.GetSampleRate());
    return std::clamp(x, 0, scale.GetWidth()) + PlotOffset();
}

double QVXZoomRangeFrame::HzAtX(std::int32_t x) const
{
    const QVXSpecPlotFreqScale& scale = mPlot->GetFreqScale();
    const std::int32_t axisX = x - PlotOffset();
    if (axisX <= 0)
        return QVXSpecPlotFreqScale::kLowestHz;
    if (axisX >= scale.GetWidth())
        return scale.GetSampleRate() / 2.0;
    // The middle of the pixel maps back onto the pixel itself, whatever the
    // rounding of the stored value.
    return scale.InverseUnzoomed(axisX + 0.5) * scale.GetSampleRate();
}

std::int32_t QVXZoomRangeFrame::GetLowerX() const
{
    if (!mPlot || !mConfig)
        return 0;
    return XOfHz(mConfig->GetFreqZoomRange().first);
}

std::int32_t QVXZoomRangeFrame::GetUpperX() const
{
    if (!mPlot || !mConfig)
        return 0;
    return XOfHz(mConfig->GetFreqZoomRange().second);
}

void QVXZoomRangeFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    PixMapDrawFrame::DrawContent(context, rect);
    DrawContext* skin = GetPixMap();
    if (!skin || !HasHandles())
        return;
    const std::int32_t top = (GetHeight() - kHandleHeight) / 2;
    const auto drawHandle = [&](bool upper, std::int32_t left)
    {
        const Point image = SkinLayout::ZoomHandleImage(upper);
        context.CopyBits(*skin, {image.x, image.y, image.x + kHandleWidth, image.y + kHandleHeight},
                         {left, top}, false);
    };
    drawHandle(false, GetLowerX());
    drawHandle(true, GetUpperX() - kHandleWidth);
}

void QVXZoomRangeFrame::OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t /*y*/)
{
    switch (type)
    {
    case FrameEvents::kMouseDown:
    {
        if (!HasHandles())
            break;
        const std::int32_t lower = GetLowerX();
        const std::int32_t upper = GetUpperX();
        if (x < lower + kHandleWidth)
        {
            mDrag = Drag::Lower;
            mGrab = std::max(x - lower, 0);
        }
        else if (x >= upper - kHandleWidth)
        {
            mDrag = Drag::Upper;
            mGrab = std::min(x - upper, 0);
        }
        else
        {
            // Between the handles: the nearer end comes to the pointer.
            mDrag = x - (lower + kHandleWidth) <= (upper - kHandleWidth) - x ? Drag::Lower
                                                                             : Drag::Upper;
            mGrab = 0;
        }
        GetRoot()->SetCapture(this);
        break;
    }
    case FrameEvents::kMouseMove:
        Follow(x);
        break;
    case FrameEvents::kMouseUp:
        EndDrag();
        break;
    default:
        break;
    }
}

void QVXZoomRangeFrame::Follow(std::int32_t x)
{
    if (mDrag == Drag::None || !HasHandles())
        return;
    auto [lowerHz, upperHz] = mConfig->GetFreqZoomRange();
    const std::int32_t target = x - mGrab;
    if (mDrag == Drag::Lower)
        lowerHz = static_cast<float>(HzAtX(std::min(target, GetUpperX() - kMinimumGap)));
    else
        upperHz = static_cast<float>(HzAtX(std::max(target, GetLowerX() + kMinimumGap)));
    mConfig->SetFreqZoomRange(lowerHz, upperHz, true);
}

void QVXZoomRangeFrame::EndDrag()
{
    mDrag = Drag::None;
    if (GetRoot()->GetCapture() == this)
        GetRoot()->ReleaseCapture();
}

void QVXZoomRangeFrame::OnConfigMessage(std::int32_t what)
{
    switch (what)
    {
    case MsgClassDestroyed:
        mConfig = nullptr;
        mDrag = Drag::None;
        break;
    case QVXSpecConfigMessages::kFreqZoom:
    case QVXSpecConfigMessages::kLogScale:
    case QVXSpecConfigMessages::kSpectrumView:
        Invalidate();
        break;
    default:
        break;
    }
}

void QVXZoomRangeFrame::OnCoreMessage(std::int32_t what)
{
    if (what == PluginCoreMessages::kSampleRateChanged)
        Invalidate();
}

void QVXZoomRangeFrame::OnPlotMessage(std::int32_t what)
{
    if (what == FrameEvents::kDestroyed || what == MsgClassDestroyed)
    {
        mPlot = nullptr;
        mDrag = Drag::None;
    }
}
