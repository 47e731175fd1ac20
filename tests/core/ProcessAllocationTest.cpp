// Nothing on the audio path may touch the heap: every allocation made while
// Process runs is counted, with the plug-in object's own analysis services at
// work in every view, channel mode, window and weighting, at every supported
// sample rate and one that is not.

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "support/RecordingPlatform.h"
#include "support/TestCaptureAgent.h"

#include "support/CountingAllocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

namespace
{
using CountingAllocator::gAllocations;
using CountingAllocator::gCounting;
} // namespace

namespace
{

// Audio with content in every band, long enough blocks to complete frames.
struct TestAudio
{
    explicit TestAudio(std::size_t frames) : left(frames), right(frames), outLeft(frames), outRight(frames)
    {
        for (std::size_t i = 0; i < frames; ++i)
        {
            left[i] = 0.5f * std::sin(0.01f * static_cast<float>(i * i % 100000));
            right[i] = 0.25f * std::sin(0.3f * static_cast<float>(i));
        }
    }
    std::vector<float> left, right, outLeft, outRight;
};

TEST(ProcessAllocation, NoHeapUseInAnyBypassStateMonoOrStereo)
{
    for (const ChannelConfig config : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
    {
        RecordingPlatform platform;
        Quarvix plugin(platform, config);
        auto& agent = static_cast<TestCaptureAgent&>(
            plugin.AttachService(std::make_unique<TestCaptureAgent>()));
        plugin.SetSampleRate(48000.0f);
        plugin.SetMaxBlockSize(512);
        TestAudio audio(1500);
        const float* inputs[] = {audio.left.data(), audio.right.data()};
        float* outputs[] = {audio.outLeft.data(), audio.outRight.data()};
        // Every state: Active, EnteringBypass, Bypassed, LeavingBypass, and
        // the pass-through-only mode; with and without accumulate; blocks
        // both within and beyond the maximum block size.
        const std::int32_t modes[] = {0, 1, 1, 1, 0, 0, 2, 1, 0};
        const std::int32_t frames[] = {1, 64, 512, 1500};

        gAllocations = 0;
        gCounting = true;
        for (bool accumulate : {false, true})
            for (std::int32_t mode : modes)
                for (std::int32_t n : frames)
                {
                    plugin.SetSamplePosition(n);
                    plugin.Process(inputs, outputs, n, accumulate, mode);
                }
        gCounting = false;
        EXPECT_EQ(gAllocations.load(), 0) << "channels " << config.inputs;
        EXPECT_GT(agent.captureCount, 0);
    }
}

TEST(ProcessAllocation, NoHeapUseInTheAnalysisAtAnyRateViewModeWindowOrWeighting)
{
    const float rates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000, 22050};
    constexpr std::int32_t kBlock = 1024;
    TestAudio audio(kBlock);
    const float* inputs[] = {audio.left.data(), audio.right.data()};
    float* outputs[] = {audio.outLeft.data(), audio.outRight.data()};
    std::vector<SpecCaptureAgentDyn::Slot*> slots;
    slots.reserve(64);
    long blocks = 0;

    for (const ChannelConfig channels : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
        for (const float rate : rates)
        {
            RecordingPlatform platform;
            Quarvix plugin(platform, channels);
            plugin.SetSampleRate(rate);
            plugin.SetMaxBlockSize(kBlock);
            QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
            QuarvixSpecService& spectrum = plugin.GetSpecService();
            spectrum.SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
            config.SetFftSize(1024);
            for (std::int32_t view = 0; view < QVXSpecConfig::kViewCount; ++view)
            {
                config.SetSpectrumView(view);
                for (std::int32_t channel = 0; channel < 4; ++channel)
                    for (std::int32_t window = 0; window < 4; ++window)
                        for (std::int32_t weighting = 0; weighting < 4; ++weighting)
                        {
                            // The UI side's changes (allocation allowed there).
                            config.SetAnalysisChannel(channel);
                            config.SetWinType(window);
                            config.SetSpecWeighting(weighting);
                            plugin.Get3rdOctService().SetAnalysisChannel(channel == 3 ? -2 : channel == 2 ? -1 : channel);
                            spectrum.TakeFullSlots(slots);
                            for (auto* slot : slots)
                                spectrum.ReleaseSlot(*slot);

                            gAllocations = 0;
                            gCounting = true;
                            for (int i = 0; i < 2; ++i, ++blocks)
                                plugin.Process(inputs, outputs, kBlock, false, 0);
                            gCounting = false;
                            ASSERT_EQ(gAllocations.load(), 0)
                                << "rate " << rate << " channels " << channels.inputs << " view " << view
                                << " mode " << channel << " window " << window << " weighting " << weighting;
                        }
            }
        }
    EXPECT_GT(blocks, 0);
}

TEST(ProcessAllocation, CounterSeesAllocations)
{
    gAllocations = 0;
    gCounting = true;
    auto* p = new std::vector<int>(10);
    gCounting = false;
    delete p;
    EXPECT_GE(gAllocations.load(), 1);
}

} // namespace
