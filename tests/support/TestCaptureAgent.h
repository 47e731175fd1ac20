#pragma once
// A capture agent that remembers what the plug-in object handed it.

#include "plugin/QuarvixServiceBase.h"

#include <vector>

struct TestCaptureAgent : QuarvixServiceBase
{
    struct StreamFormat
    {
        float rate;
        std::int32_t maxBlockSize, channels;
    };

    explicit TestCaptureAgent(bool receivesAudio = true, std::vector<std::string>* log = nullptr)
        : QuarvixServiceBase(receivesAudio), mLog(log)
    {
        captures.reserve(64);
    }
    ~TestCaptureAgent() override
    {
        if (mLog)
            mLog->push_back("destroyed " + name);
    }

    void SetStreamFormat(float rate, std::int32_t maxBlockSize, std::int32_t channelCount) override
    {
        formats.push_back({rate, maxBlockSize, channelCount});
    }
    void ResetAnalysis() override
    {
        if (mLog)
            mLog->push_back("reset " + name);
        ++resets;
    }
    // Real-time: records into storage reserved up front, never allocates.
    void Capture(const CaptureChannels& channels, std::int32_t frames) noexcept override
    {
        ++captureCount;
        lastChannels = channels;
        lastFrames = frames;
        if (captures.size() < captures.capacity())
            captures.push_back(frames);
    }
    std::string GetServiceName() const override { return name; }
    // Keeps no settings.
    void Save(Serialization::Archive&) override {}
    void Load(Serialization::Archive&) override {}

    std::string name = "TestCaptureAgent";
    std::vector<StreamFormat> formats;
    int resets = 0;
    int captureCount = 0;
    CaptureChannels lastChannels{};
    std::int32_t lastFrames = 0;
    std::vector<std::int32_t> captures;

private:
    std::vector<std::string>* mLog;
};
