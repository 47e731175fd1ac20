#include "host/CVLPTProcess.h"

#include "host/CVLPTPluginViewBridge.h"
#include "host/CVLPluginControl_Discrete.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "host/ControlIds.h"
#include "platform/DefaultSettingsFiles.h"
#include "platform/TickCount.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

CVLPTProcess::CVLPTProcess()
{
    if (const auto* hostFormat = dynamic_cast<const RTASPluginMetaClassInterface*>(mDescription.get()))
    {
        std::string name;
        mHasChunk = hostFormat->GetChunkInfo(mChunkId, name);
        if (mHasChunk)
            DefineChunk(mChunkId, name);
    }
    mHostName = RunsOnDSPEngine() ? "Pro Tools TDM" : "Pro Tools";
}

CVLPTProcess::~CVLPTProcess()
{
    // An editor still open goes before the plug-in object its frames live on
    // (the library would close it only after this destructor).
    if (IsWindowOpen())
        CloseWindow();
    // The plug-in object goes before the description use it was made from.
    mPlugin.reset();
}

void CVLPTProcess::EffectInit()
{
    const ChannelConfig channels{GetNumInputs(), GetNumOutputs()};
    mPlugin = mDescription->CreatePlugin(*this, channels);
    // A missing or unreadable default-settings file leaves the factory state.
    mPlugin->LoadDefaultSettings(mDescription->GetName());
    mPlugin->ResetAnalysis();
    mPlugin->SetSampleRate(static_cast<float>(GetSampleRate()));
    BlockSizeChanged();

    const std::int32_t bypass =
        AddControl(std::make_unique<CPluginControl_OnOff>(kMasterBypassId, kMasterBypassNames, false));
    DefineMasterBypassControlIndex(bypass);

    const std::int32_t count = mDescription->NumberOfParameters();
    for (std::int32_t index = 0; index < count; ++index)
    {
        const ParameterDescriptor* descriptor = mDescription->GetParameterByIndex(index);
        if (!descriptor)
            continue;
        const FourCharCode id = ControlIdForIndex(index);
        std::string names = mDescription->GetParameterName(descriptor->GetId());
        if (descriptor->IsDiscrete())
            AddControl(std::make_unique<CVLPluginControl_Discrete>(id, std::move(names), *descriptor,
                                                                   *mDescription));
        else
            AddControl(std::make_unique<CPluginControl_Linear>(id, std::move(names), descriptor->GetMinimum(),
                                                               descriptor->GetMaximum(),
                                                               descriptor->GetDefault()));
    }
}

// ---------------------------------------------------------------- audio

void CVLPTProcess::SubstituteChannels(const float* const* inputs, float* const* outputs,
                                      const float** in, float** out) noexcept
{
    for (std::int32_t c = 0; c < GetNumInputs() && c < kMaxChannels; ++c)
        in[c] = inputs && inputs[c] ? inputs[c] : mZeroInput.data();
    for (std::int32_t c = 0; c < GetNumOutputs() && c < kMaxChannels; ++c)
        out[c] = outputs && outputs[c] ? outputs[c] : mScratchOutputs[static_cast<std::size_t>(c)].data();
}

void CVLPTProcess::RenderAudio(const float* const* inputs, float* const* outputs,
                               std::int32_t frames) noexcept
{
    if (!mPlugin || frames <= 0)
        return;
    // Reading the millisecond counter is safe here; the UI thread compares.
    mLastRenderTick.store(Platform::GetTickCount(), std::memory_order_relaxed);
    mRendered.store(true, std::memory_order_release);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    SubstituteChannels(inputs, outputs, in.data(), out.data());
    // The plug-in's timeline position is 32 bits wide and wraps.
    mPlugin->SetSamplePosition(static_cast<std::int32_t>(GetSamplePosition()));
    // A host call cut into pieces is still one call: the bypass switch is read,
    // and the plug-in's bypass state advanced, on its first piece only.
    if (GetRenderCallOffset() == 0)
        mPlugin->Process(in.data(), out.data(), frames, false, ProcessMode());
    else
        mPlugin->ContinueProcess(in.data(), out.data(), frames, false);
}

bool CVLPTProcess::IsAudioRunning() const
{
    if (!mRendered.load(std::memory_order_acquire))
        return false;
    return Platform::GetTickCount() - mLastRenderTick.load(std::memory_order_relaxed) < kAudioRunningMilliseconds;
}

void CVLPTProcess::SampleRateChanged()
{
    if (mPlugin)
        mPlugin->SetSampleRate(static_cast<float>(GetSampleRate()));
}

void CVLPTProcess::BlockSizeChanged()
{
    // All or nothing: the substitute channels for the new size are made
    // first, the plug-in object takes the size (or throws with its old one
    // back), and only then do the new channels replace the old ones.
    const auto frames = static_cast<std::size_t>(std::max(GetBlockSize(), 1));
    std::vector<float> zeroInput(frames, 0.0f);
    std::vector<std::vector<float>> scratchOutputs(static_cast<std::size_t>(GetNumOutputs()),
                                                   std::vector<float>(frames, 0.0f));
    if (mPlugin)
        mPlugin->SetMaxBlockSize(GetBlockSize());
    mZeroInput.swap(zeroInput);
    mScratchOutputs.swap(scratchOutputs);
}

// ---------------------------------------------------------------- controls

void CVLPTProcess::UpdateControlValueInAlgorithm(std::int32_t index)
{
    const double value = GetControlValue(index);
    if (index == GetMasterBypassControlIndex())
    {
        mBypassed.store(value != 0.0, std::memory_order_relaxed);
        return;
    }
    if (index < kFirstParameterControlIndex || index == mControlBeingSet || !mPlugin)
        return;
    const ParameterDescriptor* descriptor =
        mDescription->GetParameterByIndex(index - kFirstParameterControlIndex);
    if (!descriptor)
        return;
    try
    {
        mPlugin->OnHostParameterChange(*descriptor, static_cast<float>(value));
    }
    catch (...)
    {
        // A failing parameter change must not reach the host.
    }
}

void CVLPTProcess::OnPluginParameterChanged(std::int32_t parameterIndex, float value)
{
    const std::int32_t index = parameterIndex + kFirstParameterControlIndex;
    if (parameterIndex < 0 || !GetControl(index))
        return;
    struct Restore
    {
        std::int32_t& slot;
        std::int32_t previous;
        ~Restore() { slot = previous; }
    } restore{mControlBeingSet, mControlBeingSet};
    mControlBeingSet = index;
    SetControlValue(index, value);
}

bool CVLPTProcess::IsParameterChangeAllowed(std::int32_t)
{
    // This library has no automation states that lock a control.
    return true;
}

std::unique_ptr<CPlugInView> CVLPTProcess::CreateCPlugInView()
{
    if (!mPlugin)
        return nullptr;
    return std::make_unique<CVLPTPluginViewBridge>(*this);
}

// ---------------------------------------------------------------- platform

bool CVLPTProcess::LoadDefaultSettings(const std::string& name, std::string& text)
{
    const Platform::Registry registry;
    return Platform::LoadDefaultSettingsFile(registry, kDefaultSettingsKey, name, text);
}

bool CVLPTProcess::SaveDefaultSettings(const std::string& name, const std::string& text)
{
    const Platform::Registry registry;
    return Platform::SaveDefaultSettingsFile(registry, kDefaultSettingsKey, name, text);
}

std::string CVLPTProcess::ErrorText(const std::string& title, const std::string& message, std::int32_t code)
{
    std::string text = title;
    if (code != 0 && message.empty())
        return text + " (" + std::to_string(code) + ")";
    if (!message.empty())
        text += "\n" + message;
    if (code != 0)
        text += " : " + std::to_string(code);
    return text;
}

void CVLPTProcess::ShowError(const std::string& title, const std::string& message, std::int32_t code,
                             std::int32_t severity)
{
    HostLib::EffectMessageBox box;
    box.caption = kErrorCaptionPrefix + mDescription->GetSignature();
    box.text = ErrorText(title, message, code);
    box.icon = severity == 0   ? HostLib::EffectMessageIcon::Exclamation
               : severity == 1 ? HostLib::EffectMessageIcon::Information
                               : HostLib::EffectMessageIcon::Error;
    box.hasOwnerWindow = false;
    box.systemModal = true;
    box.foreground = true;
    box.topmost = true;
    ShowMessageBox(box);
}

// ---------------------------------------------------------------- chunk

bool CVLPTProcess::CurrentChunkText(std::string_view& text)
{
    if (!mPlugin)
        return false;
    try
    {
        const char* chunk = mPlugin->GetChunk(true);
        if (!chunk)
            return false;
        const std::size_t length = mPlugin->GetChunkLength();
        // A chunk's size must fit the header's 32-bit field.
        if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - HostLib::kChunkHeaderSize))
            return false;
        text = std::string_view(chunk, length);
        return true;
    }
    catch (...)
    {
        return false;
    }
}

HostLib::EffectStatus CVLPTProcess::GetChunkSize(FourCharCode id, std::int32_t& size)
{
    if (!mHasChunk || id != mChunkId)
        return CEffectProcess::GetChunkSize(id, size);
    std::string_view text;
    if (!CurrentChunkText(text))
        return HostLib::kEffectErrFailed;
    size = static_cast<std::int32_t>(text.size()) + HostLib::kChunkHeaderSize;
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CVLPTProcess::GetChunk(FourCharCode id, std::span<char> chunk)
{
    if (!mHasChunk || id != mChunkId)
        return CEffectProcess::GetChunk(id, chunk);
    // A state that could not be written is no chunk at all: an empty one would
    // be saved with the project in place of the settings.
    std::string_view text;
    if (!CurrentChunkText(text))
        return HostLib::kEffectErrFailed;
    HostLib::CEffectChunkHeader header = HostLib::ReadChunkHeader(chunk);
    header.size = static_cast<std::int32_t>(text.size()) + HostLib::kChunkHeaderSize;
    // The text can have grown since the host asked for the size; it is never
    // cut short, the host is told what it needs instead.
    if (chunk.size() < static_cast<std::size_t>(header.size))
    {
        HostLib::WriteChunkHeader(chunk, header);
        return HostLib::kEffectErrChunkTooSmall;
    }
    HostLib::WriteChunkHeader(chunk, header);
    if (!text.empty())
        std::memcpy(chunk.data() + HostLib::kChunkHeaderSize, text.data(), text.size());
    return HostLib::kEffectOK;
}

HostLib::EffectStatus CVLPTProcess::SetChunk(FourCharCode id, std::span<const char> chunk)
{
    if (!mHasChunk || id != mChunkId)
        return CEffectProcess::SetChunk(id, chunk);
    const HostLib::CEffectChunkHeader header = HostLib::ReadChunkHeader(chunk);
    // The library has checked the size against the buffer; this guards direct callers.
    if (chunk.size() < static_cast<std::size_t>(HostLib::kChunkHeaderSize) || header.size < HostLib::kChunkHeaderSize ||
        static_cast<std::size_t>(header.size) > chunk.size())
        return HostLib::kEffectErrBadChunk;
    if (!mPlugin)
        return HostLib::kEffectErrFailed;
    try
    {
        mPlugin->SetChunk(chunk.data() + HostLib::kChunkHeaderSize, header.size - HostLib::kChunkHeaderSize, true);
    }
    catch (...)
    {
        // Refused settings are the plug-in's to report; nothing reaches the host.
    }
    return HostLib::kEffectOK;
}

// ---------------------------------------------------------------- offline

void CVLPTProcessAS::OfflinePassBegins()
{
    if (mPlugin)
        mPlugin->PrepareProcessing();
}

std::int32_t CVLPTProcessAS::RenderOffline(const float* const* inputs, float* const* outputs,
                                           std::int32_t frames)
{
    if (!mPlugin || frames <= 0)
        return 0;
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    SubstituteChannels(inputs, outputs, in.data(), out.data());
    try
    {
        return mPlugin->ProcessWithPreroll(in.data(), out.data(), frames, false, ProcessMode());
    }
    catch (...)
    {
        return 0;
    }
}

CEffectProcess* CreateCVLPTProcess()
{
    return new CVLPTProcess();
}

CEffectProcess* CreateCVLPTProcessAS()
{
    return new CVLPTProcessAS();
}
