#include "editor/QVXFillFrame.h"

#include "gui/DrawContext.h"

QVXFillFrame::QVXFillFrame(Frame* parent, const Rect& rect, const CVLCanvas::ColorSpec& fill,
                           const CVLCanvas::ColorSpec& border, const Insets& insets,
                           std::uint32_t flags, std::int32_t id)
    : Frame(parent, rect.left, rect.top, rect.Width(), rect.Height(), flags, id), mFill(fill),
      mBorder(border), mInsets(insets)
{
}

Rect QVXFillFrame::GetBorderRect() const
{
    return {mInsets.left, mInsets.top, GetWidth() - mInsets.right, GetHeight() - mInsets.bottom};
}

void QVXFillFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    context.SetForeColor(mFill);
    context.PaintRect(GetLocalRect());
    // Insets that meet or cross leave an empty rectangle, which draws nothing.
    context.SetForeColor(mBorder);
    context.FrameRect(GetBorderRect());
}

void QVXFillFrame::SetColors(const CVLCanvas::ColorSpec& fill, const CVLCanvas::ColorSpec& border)
{
    mFill = fill;
    mBorder = border;
    Draw(nullptr, true);
}

void QVXFillFrame::SetInsets(const Insets& insets)
{
    mInsets = insets;
    Draw(nullptr, true);
}
