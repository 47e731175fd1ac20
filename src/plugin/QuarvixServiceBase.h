#pragma once
// The base of the analysis services the plug-in object owns. A service is
// given its core once (SetCore), its stream format after every sample-rate or
// block-size change, and, when it receives audio, every block through Capture.
// Each service is a satellite of the plug-in object's settings: it writes and
// reads its own part of the settings archive (Save, Load).
//
// Threads: Capture runs on the real-time thread and must not allocate, lock
// (blocking) or throw. Everything else runs on the UI thread.

#include "base/Exceptions.h"
#include "serialization/ObjectSerializerHub.h"

#include <array>
#include <cstdint>
#include <string>

class PluginCore;

// The two channels handed to Capture: (left, right), or (mono, silence).
using CaptureChannels = std::array<const float*, 2>;

class QuarvixServiceBase : public Serialization::ObjectSerializerSatellite
{
public:
    explicit QuarvixServiceBase(bool receivesAudio) : mReceivesAudio(receivesAudio) {}
    ~QuarvixServiceBase() override = default;
    QuarvixServiceBase(const QuarvixServiceBase&) = delete;
    QuarvixServiceBase& operator=(const QuarvixServiceBase&) = delete;

    // The plug-in object attaches the service to its settings hub first,
    // then gives it the core.
    virtual void SetCore(PluginCore* core) { mCore = core; }
    virtual void SetStreamFormat(float sampleRate, std::int32_t maxBlockSize, std::int32_t channels) = 0;
    virtual void ResetAnalysis() = 0;
    virtual void Capture(const CaptureChannels& channels, std::int32_t frames) noexcept = 0;
    virtual std::string GetServiceName() const = 0;

    bool ReceivesAudio() const { return mReceivesAudio; }

    PluginCore* GetCore() const
    {
        CVN_REQUIRE(mCore != nullptr, "QuarvixServiceBase::GetCore: the core has not be set");
        return mCore;
    }

private:
    PluginCore* mCore = nullptr;
    bool mReceivesAudio = false;
};
