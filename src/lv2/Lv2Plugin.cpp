#include "lv2/Lv2Plugin.h"

#include <lv2/atom/atom.h>

#include "lv2/Lv2Identity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace
{
using namespace HostLib;

// The most channels a process type of the library can have.
constexpr std::size_t kMaxChannels = 8;

std::int32_t CountPorts(const std::vector<Lv2PortInfo>& ports, Lv2PortRole role)
{
    return static_cast<std::int32_t>(std::count_if(
        ports.begin(), ports.end(), [role](const Lv2PortInfo& port) { return port.role == role; }));
}

Lv2Log::Level LevelOf(EffectMessageIcon icon)
{
    switch (icon)
    {
    case EffectMessageIcon::Information:
        return Lv2Log::Level::Note;
    case EffectMessageIcon::Exclamation:
        return Lv2Log::Level::Warning;
    case EffectMessageIcon::Error:
        break;
    }
    return Lv2Log::Level::Error;
}
} // namespace

Lv2Plugin::Lv2Plugin(EffectInstance& instance, std::vector<Lv2PortInfo> ports,
                     const Lv2Features& features)
    : mInstance(instance), mPorts(std::move(ports)),
      mInputCount(CountPorts(mPorts, Lv2PortRole::AudioInput)),
      mOutputCount(CountPorts(mPorts, Lv2PortRole::AudioOutput)),
      mBlockSize(std::max(instance.GetBlockSize(), 1)),
      mBypassIndex(instance.GetMasterBypassIndex()), mLog(features.log, features.map),
      mMap(features.map), mSchedule(features.schedule)
{
    if (static_cast<std::size_t>(mInputCount) > kMaxChannels ||
        static_cast<std::size_t>(mOutputCount) > kMaxChannels)
        throw std::invalid_argument("more channels than an LV2 instance renders");
    if (mMap)
    {
        mSettingsKey = mMap->map(mMap->handle, Lv2Identity::kSettingsKeyUri);
        mStringType = mMap->map(mMap->handle, LV2_ATOM__String);
    }
    const std::vector<EffectChunkInfo> chunks = mInstance.GetChunks();
    if (!chunks.empty())
    {
        mHasChunk = true;
        mChunkId = chunks.front().id;
    }
    if (mBypassIndex > 0)
        mBypassSet = mInstance.GetControlValue(mBypassIndex) != 0.0;

    mConnections.assign(mPorts.size(), nullptr);
    mAudioInputs.assign(static_cast<std::size_t>(mInputCount), nullptr);
    mAudioOutputs.assign(static_cast<std::size_t>(mOutputCount), nullptr);
    mPendingByPort.resize(mPorts.size());
    for (std::size_t index = 0; index < mPorts.size(); ++index)
    {
        const Lv2PortInfo& port = mPorts[index];
        if (port.role != Lv2PortRole::Control)
            continue;
        auto pending = std::make_unique<PendingControl>();
        pending->controlIndex = port.controlIndex;
        pending->trigger = port.trigger;
        pending->defaultValue = port.defaultValue;
        pending->lastSeen = static_cast<float>(mInstance.GetControlValue(port.controlIndex));
        mPendingControls.push_back(pending.get());
        mPendingByPort[index] = std::move(pending);
    }
}

Lv2Plugin::~Lv2Plugin() = default;

// ---------------------------------------------------------------- audio class

void Lv2Plugin::ConnectPort(std::uint32_t index, void* data) noexcept
{
    if (index >= mPorts.size())
        return;
    mConnections[index] = data;
    const Lv2PortInfo& port = mPorts[index];
    switch (port.role)
    {
    case Lv2PortRole::AudioInput:
        mAudioInputs[static_cast<std::size_t>(port.channel)] = static_cast<const float*>(data);
        break;
    case Lv2PortRole::AudioOutput:
        mAudioOutputs[static_cast<std::size_t>(port.channel)] = static_cast<float*>(data);
        break;
    case Lv2PortRole::Enabled:
        mEnabledPort = static_cast<const float*>(data);
        break;
    case Lv2PortRole::Control:
        mPendingByPort[index]->port = static_cast<float*>(data);
        break;
    }
}

bool Lv2Plugin::ReadControlPorts() noexcept
{
    bool changed = false;
    for (PendingControl* control : mPendingControls)
    {
        if (!control->port)
            continue;
        const float value = *control->port;
        if (std::isnan(value))
            continue;
        if (control->trigger)
        {
            // Each press counts, also one the host makes with the value of
            // the last: the port goes back to its default at once.
            if (value == control->defaultValue)
                continue;
            *control->port = control->defaultValue;
        }
        else
        {
            if (value == control->lastSeen)
                continue;
            control->lastSeen = value;
        }
        control->value.store(value);
        control->pending.store(true);
        changed = true;
    }
    return changed;
}

bool Lv2Plugin::ScheduleDelivery() noexcept
{
    if (mDeliveryScheduled.exchange(true))
        return true;
    // The work is always the same: deliver whatever is pending by then.
    const std::uint32_t token = 0;
    if (mSchedule->schedule_work(mSchedule->handle, sizeof token, &token) == LV2_WORKER_SUCCESS)
        return true;
    mDeliveryScheduled.store(false);
    return false;
}

void Lv2Plugin::Run(std::uint32_t frames) noexcept
{
    if (mBypassIndex > 0)
    {
        // lv2:enabled: 0 bypasses, anything above processes; an unconnected
        // port (or a NaN) leaves the plug-in processing.
        const bool bypass = mEnabledPort && *mEnabledPort <= 0.0f;
        if (bypass != mBypassSet)
        {
            mInstance.SetControlValue(mBypassIndex, bypass ? 1.0 : 0.0);
            mBypassSet = bypass;
        }
    }
    const bool changed = ReadControlPorts();
    // A full work queue is tried again on the next run.
    if (mSchedule && (changed || mDeliveryOwed))
        mDeliveryOwed = !ScheduleDelivery();

    std::array<const float*, kMaxChannels> inputs{};
    std::array<float*, kMaxChannels> outputs{};
    for (std::uint32_t done = 0; done < frames;)
    {
        const auto piece = static_cast<std::int32_t>(
            std::min(frames - done, static_cast<std::uint32_t>(mBlockSize)));
        for (std::int32_t c = 0; c < mInputCount; ++c)
        {
            const float* buffer = mAudioInputs[static_cast<std::size_t>(c)];
            inputs[static_cast<std::size_t>(c)] = buffer ? buffer + done : nullptr;
        }
        for (std::int32_t c = 0; c < mOutputCount; ++c)
        {
            float* buffer = mAudioOutputs[static_cast<std::size_t>(c)];
            outputs[static_cast<std::size_t>(c)] = buffer ? buffer + done : nullptr;
        }
        mInstance.Render(inputs.data(), outputs.data(), piece);
        done += static_cast<std::uint32_t>(piece);
    }
}

// ---------------------------------------------------------------- main threads

void Lv2Plugin::OnMessageBox(const EffectMessageBox& box)
{
    ++mMessageBoxCount;
    mLog.Write(LevelOf(box.icon), box.caption + ": " + box.text);
}

void Lv2Plugin::DeliverControlChanges()
{
    for (PendingControl* control : mPendingControls)
    {
        if (control->pending.exchange(false))
            mInstance.SetControlValue(control->controlIndex, control->value.load());
    }
}

LV2_Worker_Status Lv2Plugin::Work(LV2_Worker_Respond_Function, LV2_Worker_Respond_Handle,
                                  std::uint32_t, const void*)
{
    // Cleared before delivering: a value run() records from now on gets a
    // work call of its own.
    mDeliveryScheduled.store(false);
    const MainThreadScope scope(*this);
    DeliverControlChanges();
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status Lv2Plugin::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle,
                                      std::uint32_t, const LV2_Feature* const*)
{
    if (!mMap || !mHasChunk)
        return LV2_STATE_ERR_NO_FEATURE;
    const MainThreadScope scope(*this);
    DeliverControlChanges();
    std::vector<char> chunk;
    if (mInstance.GetChunk(mChunkId, chunk) != kEffectOK ||
        chunk.size() < sizeof(CEffectChunkHeader))
    {
        mLog.Write(Lv2Log::Level::Error, "The settings could not be saved with the session.");
        return LV2_STATE_ERR_UNKNOWN;
    }
    // An atom:String: the text and its terminating NUL.
    std::string text(chunk.begin() + static_cast<std::ptrdiff_t>(sizeof(CEffectChunkHeader)),
                     chunk.end());
    text.push_back('\0');
    return store(handle, mSettingsKey, text.data(), text.size(), mStringType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Plugin::RestoreState(LV2_State_Retrieve_Function retrieve,
                                         LV2_State_Handle handle, std::uint32_t,
                                         const LV2_Feature* const*)
{
    if (!mMap || !mHasChunk)
        return LV2_STATE_ERR_NO_FEATURE;
    const MainThreadScope scope(*this);
    DeliverControlChanges();
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t valueFlags = 0;
    const void* value = retrieve(handle, mSettingsKey, &size, &type, &valueFlags);
    // A state of port values only (a host's own preset) leaves the settings alone.
    if (!value)
        return LV2_STATE_SUCCESS;
    const char* keepsSettings = " The plug-in keeps the settings it had.";
    if (type != mStringType)
    {
        mLog.Write(Lv2Log::Level::Error,
                   std::string("The saved settings are not a text.") + keepsSettings);
        return LV2_STATE_ERR_BAD_TYPE;
    }
    const auto* text = static_cast<const char*>(value);
    const std::size_t length = static_cast<std::size_t>(std::find(text, text + size, '\0') - text);
    constexpr std::size_t kLongestText =
        static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) -
        sizeof(CEffectChunkHeader);
    if (length == 0 || length > kLongestText)
    {
        mLog.Write(Lv2Log::Level::Error,
                   std::string(length == 0 ? "The saved settings are empty."
                                           : "The saved settings are too long.") +
                       keepsSettings);
        return LV2_STATE_ERR_UNKNOWN;
    }

    std::vector<char> chunk(sizeof(CEffectChunkHeader) + length);
    CEffectChunkHeader header;
    header.size = static_cast<std::int32_t>(chunk.size());
    header.version = kChunkVersion;
    header.chunkId = mChunkId;
    WriteChunkHeader(chunk, header);
    std::memcpy(chunk.data() + sizeof header, text, length);
    // The plug-in reports a text it refuses with a message box (which the
    // scope sends to the log) and keeps its settings.
    const int boxesBefore = mMessageBoxCount;
    const EffectStatus status = mInstance.SetChunk(mChunkId, chunk);
    if (status != kEffectOK || mMessageBoxCount != boxesBefore)
    {
        mLog.Write(status != kEffectOK ? Lv2Log::Level::Error : Lv2Log::Level::Warning,
                   std::string("The saved settings were not loaded.") + keepsSettings);
        return LV2_STATE_ERR_UNKNOWN;
    }
    return LV2_STATE_SUCCESS;
}
