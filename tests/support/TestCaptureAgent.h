#pragma once
// A capture agent that remembers what the plug-in object handed it.

#include "plugin/QuarvixServiceBase.h"

#include <new>
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
        samples.reserve(1 << 15);
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
        for (std::int32_t i = 0; i < frames && samples.size() < samples.capacity(); ++i)
            samples.push_back(channels[0][i]);
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
    std::vector<float> samples; // the left channel, as far as the storage reserved for it goes

private:
    std::vector<std::string>* mLog;
};

// One that cannot get the memory a format above 48 kHz or 2048 frames needs.
struct RefusingCaptureAgent : TestCaptureAgent
{
    void SetStreamFormat(float rate, std::int32_t maxBlockSize, std::int32_t channels) override
    {
        if (rate > 48000.0f || maxBlockSize > 2048)
            throw std::bad_alloc();
        TestCaptureAgent::SetStreamFormat(rate, maxBlockSize, channels);
    }
};
