#include "gui/ColorFrames.h"

#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"

#include <algorithm>

namespace CVLCanvas
{

ColorFillFrame::ColorFillFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, std::uint32_t flags, std::int32_t id, ColorSpec color)
    : Frame(parent, x, y, width, height, flags, id), mColor(color)
{
}

void ColorFillFrame::SetColor(const ColorSpec& color)
{
    if (color == mColor)
        return;
    mColor = color;
    Draw(nullptr, true);
}

void ColorFillFrame::SetSelected(bool selected)
{
    if (selected == mSelected)
        return;
    mSelected = selected;
    Draw(nullptr, true);
}

void ColorFillFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    const bool active = IsMouseActive();
    context.SetForeColor(active ? mColor : ColorSpec{0, 0, 0});
    context.PaintRect(GetLocalRect());
    if (!mSelected || !active)
        return;
    // The border walks round the frame clockwise; the dash colour changes
    // every kDash pixels of the walk.
    const std::int32_t r = GetWidth() - 1;
    const std::int32_t b = GetHeight() - 1;
    std::int32_t step = 0;
    const auto dot = [&](std::int32_t x, std::int32_t y) {
        const bool white = (step++ / kDash) % 2 == 1;
        context.SetForeColor(white ? ColorSpec{65535, 65535, 65535} : ColorSpec{0, 0, 0});
        context.PaintRect({x, y, x + 1, y + 1});
    };
    for (std::int32_t x = 0; x < r; ++x)
        dot(x, 0);
    for (std::int32_t y = 0; y < b; ++y)
        dot(r, y);
    for (std::int32_t x = r; x > 0; --x)
        dot(x, b);
    for (std::int32_t y = b; y > 0; --y)
        dot(0, y);
}

ColorPickerFrame::ColorPickerFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                                   std::int32_t height, std::uint32_t flags, std::int32_t id, DrawContext* picture,
                                   Point normalSource, Point hoverSource)
    : Frame(parent, x, y, width, height, flags, id), mPicture(picture), mNormalSource(normalSource),
      mHoverSource(hoverSource)
{
    mPickClass = GetRoot()->GetMessagingServer().CreateMsgClass(kPickClass);
}

ColorPickerFrame::~ColorPickerFrame()
{
    GetRoot()->GetMessagingServer().DestroyMsgClass(mPickClass);
}

void ColorPickerFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    if (mPicture)
    {
        const Point source = mHover ? mHoverSource : mNormalSource;
        const Rect part = rect.Intersect(GetLocalRect());
        context.CopyBits(*mPicture, part.Offset(source.x, source.y), {part.left, part.top}, false);
    }
    if (!mDragging)
        return;
    const Point p = mPickPoint;
    const std::int32_t m = kMarkerRadius;
    context.SetForeColor({0, 0, 0});
    context.FrameRect({p.x - m, p.y - m, p.x + m + 1, p.y + m + 1});
    context.SetForeColor({65535, 65535, 65535});
    context.FrameRect({p.x - m + 1, p.y - m + 1, p.x + m, p.y + m});
}

void ColorPickerFrame::Pick(std::int32_t x, std::int32_t y)
{
    const Point previous = mPickPoint;
    mPickPoint = {std::clamp(x, 0, GetWidth() - 1), std::clamp(y, 0, GetHeight() - 1)};
    if (mPicture)
    {
        const Point source = mHover ? mHoverSource : mNormalSource;
        mPicture->GetPixel({source.x + mPickPoint.x, source.y + mPickPoint.y}, mPicked);
    }
    const std::int32_t m = kMarkerRadius + 1;
    const Rect old{previous.x - m, previous.y - m, previous.x + m + 1, previous.y + m + 1};
    const Rect now{mPickPoint.x - m, mPickPoint.y - m, mPickPoint.x + m + 1, mPickPoint.y + m + 1};
    Draw(&old, true);
    Draw(&now, true);
    const MessageParam rgb = (static_cast<MessageParam>(mPicked.red & 0xff) << 16) |
                             (static_cast<MessageParam>(mPicked.green & 0xff) << 8) |
                             static_cast<MessageParam>(mPicked.blue & 0xff);
    GetRoot()->GetMessagingServer().Deliver(mPickClass, 0, rgb, 0);
}

void ColorPickerFrame::OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y)
{
    switch (type)
    {
    case FrameEvents::kMouseDown:
        mDragging = true;
        GetRoot()->SetCapture(this);
        Pick(x, y);
        break;
    case FrameEvents::kMouseMove:
        if (mDragging)
            Pick(x, y);
        break;
    case FrameEvents::kMouseUp:
        if (!mDragging)
            break;
        Pick(x, y);
        mDragging = false;
        if (GetRoot()->GetCapture() == this)
            GetRoot()->ReleaseCapture();
        Draw(nullptr, true);
        break;
    case FrameEvents::kMouseEnter:
    case FrameEvents::kMouseLeave:
        mHover = type == FrameEvents::kMouseEnter;
        Draw(nullptr, true);
        break;
    default:
        break;
    }
}

} // namespace CVLCanvas
