#include "hostlib/OffscreenHostWindow.h"

#include <algorithm>

namespace HostLib
{

namespace
{
HostMessage Message(HostMessageType type)
{
    HostMessage message;
    message.type = type;
    return message;
}

HostRect Intersection(const HostRect& a, const HostRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}
} // namespace

class OffscreenHostWindow::Child final : public HostChildWindow
{
public:
    Child(const HostRect& rect, HostWindowProc procedure, void* userData)
        : mRect(rect), mProcedure(procedure), mUserData(userData),
          mPixels(static_cast<std::size_t>(rect.Width()) * static_cast<std::size_t>(rect.Height()),
                  0),
          mUpdate{0, 0, rect.Width(), rect.Height()}
    {
        mContext = {mPixels.data(), rect.Width(), rect.Height(), rect.Width()};
    }

    HostRect GetRect() const override { return mRect; }
    void* GetUserData() const override { return mUserData; }
    void Invalidate(const HostRect& rect) override
    {
        mUpdate = HostRect::Bounds(mUpdate, Intersection(rect, {0, 0, mRect.Width(), mRect.Height()}));
    }

    HostRect TakeUpdate()
    {
        const HostRect update = mUpdate;
        mUpdate = {};
        return update;
    }
    std::intptr_t Call(const HostMessage& message)
    {
        return mProcedure ? mProcedure(*this, message) : 0;
    }
    const std::vector<std::uint32_t>& GetPixels() const { return mPixels; }
    HostDeviceContext* TakeContext()
    {
        mContextTaken = true;
        return &mContext;
    }
    bool ReleaseContext(const HostDeviceContext* context)
    {
        if (context != &mContext || !mContextTaken)
            return false;
        mContextTaken = false;
        return true;
    }
    bool IsContextTaken() const { return mContextTaken; }
    bool mDying = false;
    HostCursor mCursor = HostCursor::Arrow;

private:
    HostRect mRect;
    HostWindowProc mProcedure = nullptr;
    void* mUserData = nullptr;
    std::vector<std::uint32_t> mPixels;
    HostDeviceContext mContext;
    bool mContextTaken = false;
    HostRect mUpdate;
};

OffscreenHostWindow::OffscreenHostWindow(std::int32_t width, std::int32_t height,
                                         std::uint32_t background)
    : mWidth(std::max(width, 1)), mHeight(std::max(height, 1)),
      mBackground(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight), background)
{
}

OffscreenHostWindow::~OffscreenHostWindow()
{
    // Newest first, as their owners would take them down.
    while (!mChildren.empty())
        DestroyChildWindow(mChildren.back().get());
}

OffscreenHostWindow::Child* OffscreenHostWindow::Find(const HostChildWindow* window) const
{
    if (!window)
        return nullptr;
    // Compared by address only: the pointer may name a child long gone.
    for (const auto& child : mChildren)
    {
        if (static_cast<const HostChildWindow*>(child.get()) == window)
            return child.get();
    }
    return nullptr;
}

bool OffscreenHostWindow::ShouldFail(Operation operation)
{
    std::int32_t& remaining = mFailures[static_cast<int>(operation)];
    if (remaining <= 0)
        return false;
    --remaining;
    return true;
}

void OffscreenHostWindow::FailNext(Operation operation, std::int32_t times)
{
    mFailures[static_cast<int>(operation)] = std::max(times, 0);
}

// ------------------------------------------------------------ children

HostChildWindow* OffscreenHostWindow::CreateChildWindow(const HostRect& rect,
                                                        HostWindowProc procedure, void* userData)
{
    if (ShouldFail(Operation::CreateChild) || rect.IsEmpty())
        return nullptr;
    mChildren.push_back(std::make_unique<Child>(rect, procedure, userData));
    Child* child = mChildren.back().get();
    child->Call(Message(HostMessageType::Create));
    // The procedure may have destroyed it again.
    return Find(child);
}

void OffscreenHostWindow::DestroyChildWindow(HostChildWindow* window)
{
    Child* child = Find(window);
    if (!child || child->mDying)
        return;
    child->mDying = true;
    child->Call(Message(HostMessageType::Destroy));
    std::erase_if(mTimers, [child](const Timer& timer) { return timer.child == child; });
    if (mCapture == child)
        mCapture = nullptr;
    if (mFocus == child)
        mFocus = nullptr;
    std::erase_if(mChildren, [child](const auto& owned) { return owned.get() == child; });
}

std::vector<HostChildWindow*> OffscreenHostWindow::GetChildren() const
{
    std::vector<HostChildWindow*> children;
    for (const auto& child : mChildren)
        children.push_back(child.get());
    return children;
}

HostDeviceContext* OffscreenHostWindow::GetDC(HostChildWindow& window)
{
    Child* child = Find(&window);
    if (!child || ShouldFail(Operation::GetDC))
        return nullptr;
    return child->TakeContext();
}

void OffscreenHostWindow::ReleaseDC(HostChildWindow& window, HostDeviceContext* context)
{
    if (Child* child = Find(&window))
        child->ReleaseContext(context);
}

std::int32_t OffscreenHostWindow::GetDCCount() const
{
    return static_cast<std::int32_t>(std::count_if(mChildren.begin(), mChildren.end(),
                                                   [](const auto& child)
                                                   { return child->IsContextTaken(); }));
}

std::intptr_t OffscreenHostWindow::SendMessage(HostChildWindow& window, const HostMessage& message)
{
    Child* child = Find(&window);
    return child ? child->Call(message) : 0;
}

std::intptr_t OffscreenHostWindow::DefaultProcessing(HostChildWindow&, const HostMessage&)
{
    ++mDefaultProcessed;
    return 0;
}

// ------------------------------------------------------------ timers

bool OffscreenHostWindow::SetTimer(HostChildWindow& window, std::uintptr_t id,
                                   std::uint32_t milliseconds)
{
    Child* child = Find(&window);
    if (!child || ShouldFail(Operation::SetTimer))
        return false;
    // A zero interval would fire for ever within one step of time.
    const std::uint32_t interval = std::max<std::uint32_t>(milliseconds, 1);
    for (Timer& timer : mTimers)
    {
        if (timer.child == child && timer.id == id)
        {
            timer.interval = interval;
            timer.due = mTime + interval;
            return true;
        }
    }
    mTimers.push_back({child, id, interval, mTime + interval});
    return true;
}

void OffscreenHostWindow::KillTimer(HostChildWindow& window, std::uintptr_t id)
{
    Child* child = Find(&window);
    std::erase_if(mTimers, [child, id](const Timer& timer)
                  { return timer.child == child && timer.id == id; });
}

std::vector<std::uintptr_t> OffscreenHostWindow::GetTimerIds(const HostChildWindow* window) const
{
    std::vector<std::uintptr_t> ids;
    const Child* child = Find(window);
    for (const Timer& timer : mTimers)
    {
        if (timer.child == child)
            ids.push_back(timer.id);
    }
    return ids;
}

std::int32_t OffscreenHostWindow::AdvanceTime(std::uint32_t milliseconds)
{
    const std::uint64_t end = mTime + milliseconds;
    std::int32_t sent = 0;
    for (;;)
    {
        // Looked for afresh after every message: a procedure may set, kill
        // or destroy anything.
        auto next = std::min_element(mTimers.begin(), mTimers.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next == mTimers.end() || next->due > end)
            break;
        mTime = next->due;
        next->due += next->interval;
        Child* child = next->child;
        HostMessage message = Message(HostMessageType::Timer);
        message.timerId = next->id;
        child->Call(message);
        ++sent;
    }
    mTime = end;
    return sent;
}

// ------------------------------------------------------------ capture and focus

HostChildWindow* OffscreenHostWindow::SetCapture(HostChildWindow* window)
{
    HostChildWindow* previous = mCapture;
    mCapture = Find(window);
    return previous;
}

HostChildWindow* OffscreenHostWindow::GetCapture() const
{
    return mCapture;
}

HostChildWindow* OffscreenHostWindow::GetFocus() const
{
    return mFocus;
}

void OffscreenHostWindow::ReleaseCapture()
{
    mCapture = nullptr;
}

HostChildWindow* OffscreenHostWindow::SetFocus(HostChildWindow* window)
{
    Child* previous = mFocus;
    Child* next = Find(window);
    if (next == previous)
        return previous;
    mFocus = next;
    // Either procedure may move the focus again; each hears only what is still true.
    if (previous && Find(previous) && mFocus != previous)
        previous->Call(Message(HostMessageType::KillFocus));
    if (next && mFocus == next)
        next->Call(Message(HostMessageType::SetFocus));
    return previous;
}

// ------------------------------------------------------------ input

OffscreenHostWindow::Child* OffscreenHostWindow::ChildAt(std::int32_t x, std::int32_t y) const
{
    for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it)
    {
        if ((*it)->GetRect().Contains(x, y))
            return it->get();
    }
    return nullptr;
}

void OffscreenHostWindow::SendMouse(HostMessageType type, std::int32_t x, std::int32_t y,
                                    std::uint32_t modifiers)
{
    Child* target = mCapture ? mCapture : ChildAt(x, y);
    if (!target)
        return;
    HostMessage message = Message(type);
    message.x = x - target->GetRect().left;
    message.y = y - target->GetRect().top;
    message.modifiers = modifiers;
    target->Call(message);
}

void OffscreenHostWindow::MouseDown(std::int32_t x, std::int32_t y, Button button,
                                    std::uint32_t modifiers)
{
    SendMouse(button == Button::Left ? HostMessageType::LeftButtonDown
                                     : HostMessageType::RightButtonDown,
              x, y, modifiers);
}

void OffscreenHostWindow::MouseUp(std::int32_t x, std::int32_t y, Button button,
                                  std::uint32_t modifiers)
{
    SendMouse(button == Button::Left ? HostMessageType::LeftButtonUp
                                     : HostMessageType::RightButtonUp,
              x, y, modifiers);
}

void OffscreenHostWindow::MouseMove(std::int32_t x, std::int32_t y, std::uint32_t modifiers)
{
    SendMouse(HostMessageType::MouseMove, x, y, modifiers);
}

void OffscreenHostWindow::Click(std::int32_t x, std::int32_t y, Button button,
                                std::uint32_t modifiers)
{
    MouseDown(x, y, button, modifiers);
    MouseUp(x, y, button, modifiers);
}

void OffscreenHostWindow::KeyDown(std::int32_t key, std::uint32_t modifiers)
{
    if (!mFocus)
        return;
    HostMessage message = Message(HostMessageType::KeyDown);
    message.key = key;
    message.modifiers = modifiers;
    mFocus->Call(message);
}

void OffscreenHostWindow::Type(const std::string& text)
{
    for (char c : text)
    {
        if (!mFocus)
            return;
        HostMessage message = Message(HostMessageType::Character);
        message.character = c;
        mFocus->Call(message);
    }
}

void OffscreenHostWindow::SetCursor(HostChildWindow& window, HostCursor cursor)
{
    if (Child* child = Find(&window))
        child->mCursor = cursor;
}

HostCursor OffscreenHostWindow::GetCursor(const HostChildWindow* window) const
{
    const Child* child = Find(window);
    return child ? child->mCursor : HostCursor::Arrow;
}

HostCursor OffscreenHostWindow::GetCursorAt(std::int32_t x, std::int32_t y) const
{
    const Child* child = mCapture ? mCapture : ChildAt(x, y);
    return child ? child->mCursor : HostCursor::Arrow;
}

bool OffscreenHostWindow::RunFileDialog(const HostFileDialog& dialog, std::string& path)
{
    if (!mFileDialogs)
        return false;
    // The handler may be replaced while it runs (a host answering one dialog
    // and preparing the next); the copy keeps this one alive.
    const FileDialogHandler handler = mFileDialogs;
    return handler(dialog, path);
}

// ------------------------------------------------------------ painting

std::int32_t OffscreenHostWindow::Paint()
{
    std::int32_t painted = 0;
    // A snapshot: painting may create or destroy children.
    for (HostChildWindow* window : GetChildren())
    {
        Child* child = Find(window);
        if (!child)
            continue;
        const HostRect update = child->TakeUpdate();
        if (update.IsEmpty())
            continue;
        HostMessage message = Message(HostMessageType::Paint);
        message.update = update;
        child->Call(message);
        ++painted;
    }
    return painted;
}

std::vector<std::uint32_t> OffscreenHostWindow::ReadPixels() const
{
    std::vector<std::uint32_t> pixels;
    ReadPixels(pixels);
    return pixels;
}

void OffscreenHostWindow::ReadPixels(std::vector<std::uint32_t>& pixels) const
{
    pixels.assign(mBackground.begin(), mBackground.end());
    for (const auto& child : mChildren)
    {
        const HostRect rect = child->GetRect();
        const HostRect shown = Intersection(rect, GetClientRect());
        if (shown.IsEmpty())
            continue;
        const std::vector<std::uint32_t>& source = child->GetPixels();
        for (std::int32_t y = shown.top; y < shown.bottom; ++y)
        {
            const std::uint32_t* from =
                source.data() +
                static_cast<std::size_t>(y - rect.top) * static_cast<std::size_t>(rect.Width()) +
                (shown.left - rect.left);
            std::copy(from, from + shown.Width(),
                      pixels.begin() + static_cast<std::ptrdiff_t>(y) * mWidth + shown.left);
        }
    }
}

std::uint32_t OffscreenHostWindow::GetPixel(std::int32_t x, std::int32_t y) const
{
    if (!GetClientRect().Contains(x, y))
        return 0;
    for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it)
    {
        const HostRect rect = (*it)->GetRect();
        if (rect.Contains(x, y))
            return (*it)->GetPixels()[static_cast<std::size_t>(y - rect.top) *
                                          static_cast<std::size_t>(rect.Width()) +
                                      static_cast<std::size_t>(x - rect.left)];
    }
    return mBackground[static_cast<std::size_t>(y) * static_cast<std::size_t>(mWidth) +
                       static_cast<std::size_t>(x)];
}

} // namespace HostLib
