#include "core/PluginCore.h"

#include "core/PluginPlatform.h"
#include "core/CVLPluginMetaClass.h"

#include <algorithm>
#include <cfloat>

namespace
{
// Frames of pre-roll when the offline host does not say.
constexpr std::int32_t kDefaultPrerollLength = 16;
} // namespace

PluginCore::PluginCore(PluginPlatform& platform, const ChannelConfig& channels)
    : PluginServices(), MessagePublisher(this), mPlatform(platform),
      mDescription(AcquireDescription()), mChannels(channels)
{
    try
    {
        if (channels.inputs < 0 || channels.outputs < 0 || channels.inputs > kMaxChannels ||
            channels.outputs > kMaxChannels)
            throw AppFrame::BadParameter();

        const auto parameterCount = static_cast<std::size_t>(mDescription->NumberOfParameters());
        mParameterValues.resize(parameterCount);
        for (std::size_t i = 0; i < parameterCount; ++i)
        {
            const ParameterDescriptor* descriptor =
                mDescription->GetParameterByIndex(static_cast<std::int32_t>(i));
            mParameterValues[i] = descriptor ? descriptor->GetDefault() : 0.0f;
            mHostSlots.push_back({mParameterValues[i], mParameterValues[i]});
        }

        // Programs start as the description's factory programs.
        mDescription->GetProgramNames(mProgramNames);
        if (mProgramNames.empty())
            mProgramNames.push_back(mDescription->GetName());
        mProgramTexts.resize(mProgramNames.size());
        ParseProgramsText(mDescription->GetFactoryPrograms());

        mScratch.assign(static_cast<std::size_t>(mChannels.outputs),
                        std::vector<float>(static_cast<std::size_t>(mMaxBlockSize)));

        Publish(PluginCoreMessages::kConfigClass);
        Publish(PluginCoreMessages::kClipClass);
    }
    catch (...)
    {
        ReleaseDescription();
        throw;
    }
}

bool PluginCore::IsAudioRunning() const
{
    return mPlatform.IsAudioRunning();
}

PluginCore::~PluginCore()
{
    ReleaseDescription();
}

// ---------------------------------------------------------------- programs

void PluginCore::SetProgramName(const char* name)
{
    if (name && mCurrentProgram >= 0 && mCurrentProgram < GetProgramCount())
        mProgramNames[static_cast<std::size_t>(mCurrentProgram)] = name;
}

std::string PluginCore::GetProgramName(std::int32_t index) const
{
    if (index < 0 || index >= GetProgramCount())
        return std::string();
    return mProgramNames[static_cast<std::size_t>(index)];
}

std::string PluginCore::GetCurrentProgramName() const
{
    return GetProgramName(mCurrentProgram);
}

std::int32_t PluginCore::GetCurrentProgram() const
{
    return mCurrentProgram;
}

// ---------------------------------------------------------------- audio

void PluginCore::Process(const float* const* inputs, float* const* outputs, std::int32_t frames,
                         bool accumulate, std::int32_t mode) noexcept
{
    if (frames <= 0)
        return;
    mProcessMode = mode;
    // The pass-through-only mode leaves the bypass state alone.
    if (mode != kModePassThroughOnly)
        mBypassState = NextBypassState(mBypassState, mode != 0);
    ProcessInState(inputs, outputs, frames, accumulate);
}

void PluginCore::ContinueProcess(const float* const* inputs, float* const* outputs,
                                 std::int32_t frames, bool accumulate) noexcept
{
    if (frames > 0)
        ProcessInState(inputs, outputs, frames, accumulate);
}

void PluginCore::ProcessInState(const float* const* inputs, float* const* outputs,
                                std::int32_t frames, bool accumulate) noexcept
{
    if (mProcessMode == kModePassThroughOnly)
    {
        PassThrough(inputs, outputs, frames);
        return;
    }
    // Every buffer behind the analysis is sized to the maximum block size; a
    // longer block is handled in pieces rather than read past their ends.
    const std::int32_t piece = std::max<std::int32_t>(mMaxBlockSize, 1);
    if (frames <= piece)
    {
        ProcessPiece(inputs, outputs, frames, accumulate);
        return;
    }
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    for (std::int32_t done = 0; done < frames; done += piece)
    {
        for (std::int32_t c = 0; c < mChannels.inputs; ++c)
            in[c] = inputs[c] ? inputs[c] + done : nullptr;
        for (std::int32_t c = 0; c < mChannels.outputs; ++c)
            out[c] = outputs[c] ? outputs[c] + done : nullptr;
        ProcessPiece(in.data(), out.data(), std::min(piece, frames - done), accumulate);
    }
}

void PluginCore::ProcessPiece(const float* const* inputs, float* const* outputs,
                              std::int32_t frames, bool accumulate) noexcept
{
    mInsideProcess.store(true, std::memory_order_relaxed);

    const auto count = static_cast<std::size_t>(frames);
    if (accumulate)
    {
        for (std::int32_t c = 0; c < mChannels.outputs; ++c)
        {
            if (outputs[c])
                std::copy_n(outputs[c], count, mScratch[static_cast<std::size_t>(c)].data());
        }
    }

    ProcessBlock(inputs, outputs, frames, mBypassState);

    if (accumulate)
    {
        for (std::int32_t c = 0; c < mChannels.outputs; ++c)
        {
            float* out = outputs[c];
            if (!out)
                continue;
            const float* previous = mScratch[static_cast<std::size_t>(c)].data();
            for (std::size_t i = 0; i < count; ++i)
                out[i] += previous[i];
        }
    }
    mInsideProcess.store(false, std::memory_order_relaxed);
}

void PluginCore::PassThrough(const float* const* inputs, float* const* outputs,
                             std::int32_t frames) noexcept
{
    for (std::int32_t c = 0; c < mChannels.outputs; ++c)
    {
        const float* in = c < mChannels.inputs ? inputs[c] : nullptr;
        float* out = outputs[c];
        if (in && out && in != out)
            std::copy_n(in, static_cast<std::size_t>(frames), out);
    }
}

void PluginCore::ProcessBlock(const float* const* inputs, float* const* outputs,
                              std::int32_t frames, BypassState) noexcept
{
    PassThrough(inputs, outputs, frames);
}

void PluginCore::PrepareProcessing()
{
    mPrerollLength = mPlatform.GetPrerollLength();
    if (mPrerollLength <= 0)
        mPrerollLength = kDefaultPrerollLength;
    mPrerollBuffers.assign(static_cast<std::size_t>(mChannels.outputs),
                           std::vector<float>(static_cast<std::size_t>(mPrerollLength), 0.0f));
    mPrerollFramesFed = 0;
}

std::int32_t PluginCore::ProcessWithPreroll(const float* const* inputs, float* const* outputs,
                                            std::int32_t frames, bool, std::int32_t)
{
    if (frames <= 0)
        return 0;
    std::int32_t prerollFrames = 0;
    if (mPrerollFramesFed < mPrerollLength)
    {
        prerollFrames = static_cast<std::int32_t>(
            std::min<std::int64_t>(mPrerollLength - mPrerollFramesFed, frames));
        std::array<float*, kMaxChannels> discard{};
        for (std::int32_t c = 0; c < mChannels.outputs; ++c)
            discard[c] = mPrerollBuffers[static_cast<std::size_t>(c)].data();
        Process(inputs, discard.data(), prerollFrames, false, 0);
        mPrerollFramesFed += prerollFrames;
    }
    const std::int32_t rest = frames - prerollFrames;
    if (rest <= 0)
        return 0;
    // The frames the pre-roll consumed are not fed a second time: the real
    // output starts with the first input frame after them.
    std::array<const float*, kMaxChannels> in{};
    for (std::int32_t c = 0; c < mChannels.inputs; ++c)
        in[c] = inputs[c] ? inputs[c] + prerollFrames : nullptr;
    Process(in.data(), outputs, rest, false, 0);
    mPrerollFramesFed += rest;
    return rest;
}

// ---------------------------------------------------------------- stream format

template <class Hook>
void PluginCore::RestoreStreamFormat(Hook&& hook, std::int32_t announcement) noexcept
{
    try
    {
        hook();
        if (announcement != 0)
            Send(PluginCoreMessages::kConfigClass, announcement, 0, 0);
    }
    catch (...)
    {
    }
}

void PluginCore::SetSampleRate(float rate)
{
    const BusyScope busy(mBusyCount);
    OnBeforeSampleRateChange(rate);
    const float previous = mSampleRate;
    mSampleRate = rate;
    bool announced = false;
    try
    {
        OnSampleRateChanged(rate);
        announced = true;
        Send(PluginCoreMessages::kConfigClass, PluginCoreMessages::kSampleRateChanged, 0, 0);
        OnAfterSampleRateNotified();
    }
    catch (...)
    {
        mSampleRate = previous;
        RestoreStreamFormat([this, previous] { OnSampleRateChanged(previous); },
                            announced ? PluginCoreMessages::kSampleRateChanged : 0);
        throw;
    }
}

void PluginCore::SetMaxBlockSize(std::int32_t frames)
{
    if (frames <= 0)
        frames = 1;
    const BusyScope busy(mBusyCount);
    // The scratch buffers for the new size are had before anything changes,
    // and the old ones are kept until the change has gone through.
    std::vector<std::vector<float>> scratch(
        mScratch.size(), std::vector<float>(static_cast<std::size_t>(frames), 0.0f));
    const std::int32_t previous = mMaxBlockSize;
    mMaxBlockSize = frames;
    mScratch.swap(scratch);
    bool announced = false;
    try
    {
        OnMaxBlockSizeChanged(frames);
        announced = true;
        Send(PluginCoreMessages::kConfigClass, PluginCoreMessages::kBlockSizeChanged, 0, 0);
        OnAfterMaxBlockSizeNotified();
    }
    catch (...)
    {
        mMaxBlockSize = previous;
        mScratch.swap(scratch);
        RestoreStreamFormat([this, previous] { OnMaxBlockSizeChanged(previous); },
                            announced ? PluginCoreMessages::kBlockSizeChanged : 0);
        throw;
    }
}

// ---------------------------------------------------------------- parameters

void PluginCore::SetParameter(FourCharCode id, float value, bool force)
{
    struct BeingSet
    {
        std::int64_t& record;
        ~BeingSet() { record = -1; }
    } beingSet{mParameterBeingSet};
    mParameterBeingSet = static_cast<std::int64_t>(id);

    const ParameterDescriptor* descriptor = mDescription->FindParameterById(id);
    if (!descriptor || static_cast<std::uint32_t>(descriptor->GetIndex()) >= mParameterValues.size())
        return;
    const auto index = static_cast<std::size_t>(descriptor->GetIndex());
    value = descriptor->Clamp(value);

    const bool store = mBusyCount == 0
                           ? (force || value != mParameterValues[index] || mForcedUpdateCount > 0)
                           : mForcedUpdateCount > 0;
    if (!store)
        return;
    mParameterValues[index] = value;
    mPlatform.OnPluginParameterChanged(descriptor->GetIndex(), value);
}

void PluginCore::OnHostParameterChange(const ParameterDescriptor& descriptor, float value)
{
    if (static_cast<std::int64_t>(descriptor.GetId()) == mParameterBeingSet)
        return; // the host echoing the plug-in's own change
    const auto index = static_cast<std::size_t>(descriptor.GetIndex());
    if (descriptor.GetIndex() < 0 || index >= mHostSlots.size())
        return;

    const BusyScope busy(mBusyCount);
    if (descriptor.NeedsConfirmation() && !mPlatform.IsParameterChangeAllowed(descriptor.GetIndex()))
        return;
    if (AcceptHostParameterChange(descriptor, value))
    {
        mHostSlots[index].latestHost = value;
        ++mQueuedHostChanges;
    }
    // The next delivery must count as a change even when the host sends the
    // value it sent last time (a second press of a momentary switch).
    mHostSlots[index].lastDelivered = FLT_MAX;
}

void PluginCore::FlushHostParameterChanges()
{
    if (mQueuedHostChanges == mDeliveredHostChanges)
        return;
    mDeliveredHostChanges = mQueuedHostChanges;
    for (std::size_t i = 0; i < mHostSlots.size(); ++i)
    {
        HostParameterSlot& slot = mHostSlots[i];
        if (slot.latestHost == slot.lastDelivered)
            continue;
        const BusyScope busy(mBusyCount);
        const ParameterDescriptor* descriptor =
            mDescription->GetParameterByIndex(static_cast<std::int32_t>(i));
        const float latest = slot.latestHost;
        if (descriptor)
            OnParameterChanged(*descriptor, latest);
        slot.lastDelivered = latest;
    }
}

void PluginCore::ClearPendingParameterChanges()
{
    mDeliveredHostChanges = mQueuedHostChanges;
    for (auto& slot : mHostSlots)
        slot.lastDelivered = slot.latestHost;
}

void PluginCore::SetParameterById(FourCharCode id, float value)
{
    if (const ParameterDescriptor* descriptor = mDescription->FindParameterById(id))
        OnHostParameterChange(*descriptor, value);
}

float PluginCore::GetParameter(const ParameterDescriptor& descriptor) const
{
    const auto index = static_cast<std::size_t>(descriptor.GetIndex());
    return descriptor.GetIndex() >= 0 && index < mParameterValues.size() ? mParameterValues[index]
                                                                          : 0.0f;
}

float PluginCore::GetParameterById(FourCharCode id) const
{
    const ParameterDescriptor* descriptor = mDescription->FindParameterById(id);
    return descriptor ? GetParameter(*descriptor) : 0.0f;
}

void PluginCore::SetForcedUpdate(bool on)
{
    if (on)
        ++mForcedUpdateCount;
    else
        Decrement(mForcedUpdateCount);
}

void PluginCore::ClearClipIndicators()
{
    Send(PluginCoreMessages::kClipClass, PluginCoreMessages::kClearClip, 0, 0);
}

bool PluginCore::AcceptHostParameterChange(const ParameterDescriptor&, float)
{
    return true;
}

void PluginCore::OnParameterChanged(const ParameterDescriptor& descriptor, float value)
{
    const auto index = static_cast<std::size_t>(descriptor.GetIndex());
    if (descriptor.GetIndex() >= 0 && index < mParameterValues.size())
        mParameterValues[index] = descriptor.Clamp(value);
}

// ---------------------------------------------------------------- errors

void PluginCore::ReportError(const std::string& title, const std::string& message,
                             std::int32_t code, std::int32_t severity)
{
    if (mUIRoot && mUIRoot->CanShowError())
    {
        mUIRoot->ShowErrorFrame(title, message, code, severity);
        return;
    }
    mPlatform.ShowError(title, message, code, severity);
}
