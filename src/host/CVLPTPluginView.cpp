#include "host/CVLPTPluginView.h"

#include "base/Exceptions.h"
#include "host/RTASWinWindowContext.h"

namespace
{
Rect EditorBounds(const PluginCore& plugin)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    plugin.GetEditorSize(width, height);
    return {0, 0, width, height};
}
} // namespace

class CVLPTPluginView::PresentScope
{
public:
    explicit PresentScope(CVLPTPluginView& view) : mView(view) {}
    ~PresentScope()
    {
        // The call may have closed the root, and the window with it.
        if (mView.mContext)
            mView.mContext->Present();
    }
    PresentScope(const PresentScope&) = delete;
    PresentScope& operator=(const PresentScope&) = delete;

private:
    CVLPTPluginView& mView;
};

CVLPTPluginView::ModalScope::ModalScope(CVLPTPluginView& view, ModalHandler& handler)
    : mView(view), mPrevious(view.mModalHandler)
{
    mView.mModalHandler = &handler;
}

CVLPTPluginView::ModalScope::~ModalScope()
{
    mView.mModalHandler = mPrevious;
}

CVLPTPluginView::CVLPTPluginView(Client& client, PluginCore& plugin)
    : PluginUIRoot(plugin, EditorBounds(plugin)), mClient(client)
{
}

CVLPTPluginView::~CVLPTPluginView()
{
    // The window context calls back into this view: it goes while the view
    // is still whole, not from the root's destructor.
    Close();
}

void CVLPTPluginView::Open(HostLib::HostWindow* window, std::int32_t x, std::int32_t y)
{
    if (PluginUIRoot::IsOpen())
        return;
    mHostWindow = window;
    mOrigin = {x, y};
    PresentScope present(*this);
    PluginUIRoot::Open();
    // The root has reported what went wrong (it catches everything); the
    // host library still has to hear that the window did not open.
    if (!PluginUIRoot::IsOpen())
        throw AppFrame::ResAlloc();
}

void CVLPTPluginView::Close()
{
    // A window closed while the user holds a control must not leave the host
    // recording a gesture nobody ends (the root forgets its capture unheard).
    if (Frame* captured = GetCapture())
        EndHostGesture(captured);
    PluginUIRoot::Close();
    mContext = nullptr;
}

void CVLPTPluginView::Redraw(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom)
{
    PresentScope present(*this);
    DrawingPermit permit(*this);
    PluginUIRoot::Redraw(Rect{left, top, right, bottom});
}

void CVLPTPluginView::OnMouseDown(std::int32_t x, std::int32_t y)
{
    PresentScope present(*this);
    DrawingPermit permit(*this);
    PluginUIRoot::OnMouseDown(x, y);
}

void CVLPTPluginView::Idle()
{
    PresentScope present(*this);
    DrawingPermit permit(*this);
    if (mModalHandler)
        mModalHandler->Idle();
    else
        PluginUIRoot::Idle();
}

void CVLPTPluginView::SetParameterHighlight(std::int32_t control, bool on, std::int32_t color)
{
    PresentScope present(*this);
    PluginUIRoot::SetParameterHighlight(control, on, color >= 1 && color <= 3 ? color : 0);
}

void CVLPTPluginView::GetSize(std::int32_t& width, std::int32_t& height) const
{
    width = GetWindowBounds().Width();
    height = GetWindowBounds().Height();
}

void CVLPTPluginView::GetOrigin(std::int32_t& x, std::int32_t& y) const
{
    x = mOrigin.x;
    y = mOrigin.y;
}

std::unique_ptr<DrawContext> CVLPTPluginView::CreateWindowContext()
{
    auto context = std::make_unique<RTASWinWindowContext>(*this, mHostWindow, GetWindowBounds());
    mContext = context.get();
    return context;
}

void CVLPTPluginView::BeginHostGesture(Frame* frame)
{
    for (const std::int32_t parameter : GetParameterControls(frame))
        mClient.Touch(parameter, true);
}

void CVLPTPluginView::EndHostGesture(Frame* frame)
{
    for (const std::int32_t parameter : GetParameterControls(frame))
        mClient.Touch(parameter, false);
}
