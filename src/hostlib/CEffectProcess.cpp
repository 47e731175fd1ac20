#include "hostlib/CEffectProcess.h"

#include "hostlib/CEffectGroup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

CEffectProcess::~CEffectProcess()
{
    if (mView)
        CloseWindow();
}

void CEffectProcess::SetupProcess(const CEffectType& type, CEffectGroup& group)
{
    mType = &type;
    mGroup = &group;
    mHost = group.GetHost();
}

void CEffectProcess::ShowMessageBox(const HostLib::EffectMessageBox& box) const
{
    ShowEffectMessageBox(mHost, box);
}

HostLib::EffectStatus CEffectProcess::SetSampleRate(double rate)
{
    if (!std::isfinite(rate) || !mType->SupportsSampleRate(rate))
        return HostLib::kEffectErrBadValue;
    const double previous = mSampleRate;
    mSampleRate = rate;
    try
    {
        SampleRateChanged();
    }
    catch (...)
    {
        mSampleRate = previous;
        return HostLib::kEffectErrFailed;
    }
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::SetBlockSize(std::int32_t frames)
{
    if (frames < 1)
        return HostLib::kEffectErrBadValue;
    // Render cuts host calls into pieces of this size: it must never name a
    // size the process's buffers were not made for.
    const std::int32_t previous = mBlockSize;
    mBlockSize = frames;
    try
    {
        BlockSizeChanged();
    }
    catch (...)
    {
        mBlockSize = previous;
        return HostLib::kEffectErrFailed;
    }
    return HostLib::kEffectOK;
}

void CEffectProcess::Render(const float* const* inputs, float* const* outputs,
                            std::int32_t frames) noexcept
{
    const std::int32_t inputCount = std::min(GetNumInputs(), kMaxChannels);
    const std::int32_t outputCount = std::min(GetNumOutputs(), kMaxChannels);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    for (std::int32_t done = 0; done < frames;)
    {
        const std::int32_t piece = std::min(mBlockSize, frames - done);
        for (std::int32_t c = 0; c < inputCount; ++c)
            in[c] = inputs && inputs[c] ? inputs[c] + done : nullptr;
        for (std::int32_t c = 0; c < outputCount; ++c)
            out[c] = outputs && outputs[c] ? outputs[c] + done : nullptr;
        mRenderCallOffset = done;
        RenderAudio(in.data(), out.data(), piece);
        mSamplePosition += piece;
        done += piece;
    }
    mRenderCallOffset = 0;
}

std::int32_t CEffectProcess::AddControl(std::unique_ptr<CPluginControl> control)
{
    mControls.push_back(std::move(control));
    return GetNumControls();
}

CPluginControl* CEffectProcess::GetControl(std::int32_t index) const
{
    if (index < 1 || index > GetNumControls())
        return nullptr;
    return mControls[static_cast<std::size_t>(index - 1)].get();
}

double CEffectProcess::GetControlValue(std::int32_t index) const
{
    const CPluginControl* control = GetControl(index);
    return control ? control->GetValue() : 0.0;
}

HostLib::EffectStatus CEffectProcess::SetControlValue(std::int32_t index, double value)
{
    CPluginControl* control = GetControl(index);
    if (!control)
        return HostLib::kEffectErrBadIndex;
    control->SetValue(value);
    UpdateControlValueInAlgorithm(index);
    return HostLib::kEffectOK;
}

void CEffectProcess::DefineChunk(HostLib::FourCharCode id, std::string name)
{
    mChunks.push_back({id, std::move(name)});
}

bool CEffectProcess::HasChunk(HostLib::FourCharCode id) const
{
    return std::any_of(mChunks.begin(), mChunks.end(),
                       [id](const HostLib::EffectChunkInfo& chunk) { return chunk.id == id; });
}

HostLib::EffectStatus CEffectProcess::GetChunkSize(HostLib::FourCharCode, std::int32_t&)
{
    return HostLib::kEffectErrUnknownChunk;
}

HostLib::EffectStatus CEffectProcess::GetChunk(HostLib::FourCharCode, std::span<char>)
{
    return HostLib::kEffectErrUnknownChunk;
}

HostLib::EffectStatus CEffectProcess::SetChunk(HostLib::FourCharCode, std::span<const char>)
{
    return HostLib::kEffectErrUnknownChunk;
}

HostLib::EffectStatus CEffectProcess::OpenWindow(void* window, std::int32_t x, std::int32_t y)
{
    if (mView)
        return HostLib::kEffectErrWindowOpen;
    std::unique_ptr<CPlugInView> view = CreateCPlugInView();
    if (!view)
        return HostLib::kEffectErrNoView;
    view->AttachToWindow(window, x, y);
    mView = std::move(view);
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::CloseWindow()
{
    if (!mView)
        return HostLib::kEffectErrNoView;
    std::unique_ptr<CPlugInView> view = std::move(mView);
    view->Detach();
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::DrawWindow(const HostLib::HostRect& rect)
{
    if (!mView)
        return HostLib::kEffectErrNoView;
    mView->Draw(rect.top, rect.left, rect.bottom, rect.right);
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::IdleWindow()
{
    if (!mView)
        return HostLib::kEffectErrNoView;
    mView->Idle();
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::MouseDownInWindow(std::int32_t x, std::int32_t y)
{
    if (!mView)
        return HostLib::kEffectErrNoView;
    mView->MouseDown(x, y);
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::SetControlHighlight(std::int32_t index, bool on, std::int32_t color)
{
    if (!mView)
        return HostLib::kEffectErrNoView;
    if (!GetControl(index))
        return HostLib::kEffectErrBadIndex;
    mView->SetControlHighlight(index, on, color);
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CEffectProcess::GetWindowSize(std::int32_t& width, std::int32_t& height)
{
    std::unique_ptr<CPlugInView> asked;
    CPlugInView* view = mView.get();
    if (!view)
    {
        asked = CreateCPlugInView();
        view = asked.get();
    }
    if (!view)
        return HostLib::kEffectErrNoView;
    return view->GetSize(width, height) ? HostLib::kEffectOK : HostLib::kEffectErrNoView;
}

void CEffectProcess::TouchControl(std::int32_t index)
{
    if (CPluginControl* control = GetControl(index))
        control->SetTouched(true);
}

void CEffectProcess::ReleaseControl(std::int32_t index)
{
    if (CPluginControl* control = GetControl(index))
        control->SetTouched(false);
}

bool CEffectProcess::IsControlTouched(std::int32_t index) const
{
    const CPluginControl* control = GetControl(index);
    return control && control->IsTouched();
}

void CEffectProcessAS::BeginOfflinePass(std::int32_t prerollFrames)
{
    mPrerollFrames = std::max(prerollFrames, 0);
    OfflinePassBegins();
}

std::int32_t CEffectProcessAS::ProcessOffline(const float* const* inputs, float* const* outputs,
                                              std::int32_t frames)
{
    const std::int32_t inputCount = std::min(GetNumInputs(), kMaxChannels);
    const std::int32_t outputCount = std::min(GetNumOutputs(), kMaxChannels);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    std::int32_t written = 0;
    for (std::int32_t done = 0; done < frames;)
    {
        const std::int32_t piece = std::min(GetBlockSize(), frames - done);
        for (std::int32_t c = 0; c < inputCount; ++c)
            in[c] = inputs && inputs[c] ? inputs[c] + done : nullptr;
        for (std::int32_t c = 0; c < outputCount; ++c)
            out[c] = outputs && outputs[c] ? outputs[c] + written : nullptr;
        written += std::clamp(RenderOffline(in.data(), out.data(), piece), 0, piece);
        done += piece;
    }
    return written;
}
