#pragma once
// The base of the analysis services the plug-in object owns. A service is
// given its core once (SetCore), its stream format after every sample-rate or
// block-size change, and, when it receives audio, every block through Capture.
//
// Threads: Capture runs on the real-time thread and must not allocate, lock
// (blocking) or throw. Everything else runs on the UI thread.

#include "core/Exceptions.h"

#include <array>
#include <cstdint>
#include <string>

class PluginCore;

// The two channels handed to Capture: (left, right), or (mono, silence).
using CaptureChannels = std::array<const float*, 2>;

class QuarvixServiceBase
{
public:
    explicit QuarvixServiceBase(bool receivesAudio) : mReceivesAudio(receivesAudio) {}
    virtual ~QuarvixServiceBase() = default;
    QuarvixServiceBase(const QuarvixServiceBase&) = delete;
    QuarvixServiceBase& operator=(const QuarvixServiceBase&) = delete;

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
