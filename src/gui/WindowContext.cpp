#include "gui/WindowContext.h"

#include "base/Exceptions.h"

#include "gui/TextEditDialogUser.h"

WindowContext::WindowContext(std::int32_t width, std::int32_t height)
    : RasterContext(nullptr), mDirty(std::make_unique<RasterRegion>())
{
    if (!mWindowBuffer.Allocate(width, height))
        throw AppFrame::ResAlloc(AppFrame::FixedErrorLocation{"WindowContext", 0});
    SetBuffer(&mWindowBuffer);
    mDirty->SetRect({});
}

WindowContext::~WindowContext() = default;

void WindowContext::InvalidateRect(const Rect& rect)
{
    RasterRegion piece;
    piece.SetRect(rect.Intersect({0, 0, GetWidth(), GetHeight()}));
    mDirty->Union(piece);
}

void WindowContext::ValidateRect(const Rect& rect)
{
    RasterRegion piece;
    piece.SetRect(rect);
    mDirty->Difference(piece);
}

Rect WindowContext::GetDirtyBounds() const
{
    return mDirty->IsEmpty() ? Rect{} : mDirty->GetExtents();
}

bool WindowContext::IsDirty() const
{
    return !mDirty->IsEmpty();
}

bool WindowContext::RunFileDialog(const FileDialogRequest& request, std::string& path)
{
    return mDialogs && mDialogs->RunFileDialog(request, path);
}

void WindowContext::RequestTextEdit(const Rect& rect, const std::string& text,
                                    std::shared_ptr<TextEditDialogUserProxy> proxy)
{
    if (mTextEntry)
        mTextEntry->BeginTextEntry(rect, text, std::move(proxy));
    else if (proxy)
        proxy->Cancel();
}
