#include "gui/TextFrame.h"

#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"

TextFrame::TextFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t flags, std::int32_t id, std::string text, std::int32_t alignment)
    : Frame(parent, x, y, width, height, flags, id), mText(std::move(text)), mAlignment(alignment)
{
    mEditClass = GetRoot()->GetMessagingServer().CreateMsgClass(kEditClass);
}

TextFrame::~TextFrame()
{
    GetRoot()->GetMessagingServer().DestroyMsgClass(mEditClass);
}

void TextFrame::DeliverEdit(std::int32_t what)
{
    GetRoot()->GetMessagingServer().Deliver(mEditClass, what, 0, 0);
}

void TextFrame::SetText(const std::string& text)
{
    if (text == mText)
        return;
    mText = text;
    Draw(nullptr, true);
}

void TextFrame::SetMargins(std::int32_t xMargin, std::int32_t bottomMargin)
{
    mXMargin = xMargin;
    mBottomMargin = bottomMargin;
}

void TextFrame::SetColors(const CVLCanvas::ColorSpec& normal, const CVLCanvas::ColorSpec& inactive)
{
    mColor = normal;
    mInactiveColor = inactive;
}

Point TextFrame::TextOrigin(std::int32_t textWidth) const
{
    const std::int32_t y = GetHeight() - mBottomMargin;
    switch (mAlignment)
    {
    case kLeft:
        return {mXMargin, y};
    case kRight:
        return {GetWidth() - mXMargin - textWidth, y};
    default:
        return {GetWidth() / 2 + mXMargin - textWidth / 2, y};
    }
}

void TextFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    if (mHideWhenInactive && !IsMouseActive())
        return;
    context.SetTextFace(mFace, IsMouseActive() ? mColor : mInactiveColor);
    context.MoveTo(TextOrigin(context.TextWidth(mText)));
    context.DrawString(mText);
}

void TextFrame::OnMouseEvent(std::int32_t type, std::int32_t /*x*/, std::int32_t /*y*/)
{
    if (type != FrameEvents::kMouseDown || mEditMode == kNoEdit)
        return;
    DrawContext* window = GetRoot()->GetWindowContext();
    if (window && (window->IsCtrlDown() || window->IsShiftDown() || window->IsCtrlShiftDown()))
        return;
    if (mEditMode == kEditOnDoubleClick && !GetRoot()->IsDoubleClick())
        return;
    DeliverEdit(kEditOpened);
    GetRoot()->RequestTextEdit(GetGlobalRect(), mText, NewTextEditProxy());
}

void TextFrame::OnTextEditAccepted(const std::string& text)
{
    OnTextEntered(text);
    DeliverEdit(kEditAccepted);
}

void TextFrame::OnTextEditCancelled()
{
    DeliverEdit(kEditCancelled);
}

StaticTextPMFrame::StaticTextPMFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height, std::uint32_t flags, std::int32_t id, DrawContext* picture,
                                     Point source, std::string text, std::int32_t alignment)
    : TextFrame(parent, x, y, width, height, flags | FrameFlags::kBuffered, id, std::move(text), alignment),
      mPicture(picture), mSource(source)
{
}

void StaticTextPMFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    if (mPicture)
    {
        const Rect part = rect.Intersect(GetLocalRect());
        context.CopyBits(*mPicture, part.Offset(mSource.x, mSource.y), {part.left, part.top}, false);
    }
    TextFrame::DrawContent(context, rect);
}
