#include "gui/ErrorFrame.h"

#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"

using namespace ErrorFrameLayout;

ErrorFrame::ErrorFrame(Frame* master, const std::string& message, const std::string& detail, std::int32_t code,
                       std::int32_t severity)
    : Frame(master, master->GetWidth() / 2 - kWidth / 2, master->GetHeight() / 2 - 75, kWidth, kHeight,
            FrameFlags::kFloating2, 0),
      TimerClient<ErrorFrame>(master->GetRoot()->GetPluginServices(), this),
      mMessage(message.empty() ? "<unknown error>" : message), mDetail(detail), mCode(code), mSeverity(severity)
{
}

std::string ErrorFrame::GetText() const
{
    return mDetail.empty() ? mMessage : mMessage + "\n\n" + mDetail;
}

void ErrorFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    context.SetForeColor({65535, 65535, 65535});
    context.PaintRect(GetLocalRect());
    context.DrawPicture(mSeverity == 1 ? kInformationPicture : kErrorPicture, GetLocalRect());
    const std::string text = GetText();
    context.SetTextFace(1, {0, 0, 0});
    const std::int32_t width = context.TextWidth(text);
    if (width <= kSingleLineWidth)
    {
        context.MoveTo({(kSingleLineWidth - width) / 2 + 15, 50});
        context.DrawString(text);
    }
    else
    {
        context.DrawTextInRect(text, {15, 22, 244, 82});
    }
}

void ErrorFrame::OnMouseEvent(std::int32_t type, std::int32_t /*x*/, std::int32_t /*y*/)
{
    if (type == FrameEvents::kMouseDown && !HasTimer(1))
        AddTimer(TimerManager::OneShot, 1, &ErrorFrame::Dismiss, 1);
}

void ErrorFrame::Dismiss()
{
    delete this;
}
