#include "host/CVLPTPluginViewBridge.h"

#include "host/CVLPTPluginView.h"
#include "host/CVLPTProcess.h"

CVLPTPluginViewBridge::CVLPTPluginViewBridge(CVLPTProcess& process)
    : mProcess(process), mView(std::make_unique<CVLPTPluginView>(*this, *process.GetPlugin()))
{
}

CVLPTPluginViewBridge::~CVLPTPluginViewBridge() = default;

void CVLPTPluginViewBridge::AttachToWindow(void* window, std::int32_t x, std::int32_t y)
{
    mX = x;
    mY = y;
    mWindow = static_cast<HostLib::HostWindow*>(window);
    mView->Open(mWindow, x, y);
}

void CVLPTPluginViewBridge::Detach()
{
    mView->Close();
}

void CVLPTPluginViewBridge::Draw(std::int32_t top, std::int32_t left, std::int32_t bottom,
                                 std::int32_t right)
{
    mView->Redraw(left, top, right, bottom);
}

void CVLPTPluginViewBridge::Idle()
{
    mView->Idle();
}

void CVLPTPluginViewBridge::MouseDown(std::int32_t x, std::int32_t y)
{
    mView->OnMouseDown(x, y);
}

void CVLPTPluginViewBridge::SetControlHighlight(std::int32_t index, bool on, std::int32_t color)
{
    // Index 1 is the master bypass, which the editor does not show.
    if (index < CVLPTProcess::kFirstParameterControlIndex || !mView->IsOpen())
        return;
    mView->SetParameterHighlight(index - CVLPTProcess::kFirstParameterControlIndex, on, color);
}

bool CVLPTPluginViewBridge::GetSize(std::int32_t& width, std::int32_t& height)
{
    mView->GetSize(width, height);
    return true;
}

void CVLPTPluginViewBridge::Touch(std::int32_t parameterIndex, bool begin)
{
    // Only parameters have host controls of their own; below them lies the bypass.
    if (parameterIndex < 0)
        return;
    const std::int32_t index = parameterIndex + CVLPTProcess::kFirstParameterControlIndex;
    if (begin)
        mProcess.TouchControl(index);
    else
        mProcess.ReleaseControl(index);
}
