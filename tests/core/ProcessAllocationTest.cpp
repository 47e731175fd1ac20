// Nothing on the audio path may touch the heap: every allocation made while
// Process runs is counted, in every bypass state and mode, with the plug-in
// object's own analysis services at work in every view, channel mode, window
// and weighting, at every supported sample rate and one that is not.

#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixSpecService.h"
#include "support/CountingAllocator.h"
#include "support/RecordingPlatform.h"
#include "support/TestCaptureAgent.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using CountingAllocator::Count;

TEST(ProcessAllocation, NoHeapUseOnTheAudioPath)
{
    ASSERT_GT(Count([] { delete new std::vector<int>(10); }), 0) << "the counter sees allocations";
    // Audio with content in every band.
    std::vector<float> left(1500), right(1500), outLeft(1500), outRight(1500);
    for (std::size_t i = 0; i < left.size(); ++i)
        std::tie(left[i], right[i]) = std::pair(0.5f * std::sin(0.01f * static_cast<float>(i * i % 100000)),
                                                0.25f * std::sin(0.3f * static_cast<float>(i)));
    const float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    std::vector<SpecCaptureAgentDyn::Slot*> slots;
    slots.reserve(64);

    for (const ChannelConfig channels : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
    {
        SCOPED_TRACE(channels.inputs);
        {
            // Every bypass state and the pass-through-only mode, with and
            // without accumulating, in blocks within and beyond the maximum.
            RecordingPlatform platform;
            Quarvix plugin(platform, channels);
            auto& agent = static_cast<TestCaptureAgent&>(plugin.AttachService(std::make_unique<TestCaptureAgent>()));
            plugin.SetSampleRate(48000.0f);
            plugin.SetMaxBlockSize(512);
            EXPECT_EQ(Count([&] {
                          for (bool accumulate : {false, true})
                              for (std::int32_t mode : {0, 1, 1, 1, 0, 0, 2, 1, 0})
                                  for (std::int32_t n : {1, 64, 512, 1500})
                                  {
                                      plugin.SetSamplePosition(n);
                                      plugin.Process(inputs, outputs, n, accumulate, mode);
                                  }
                      }),
                      0);
            EXPECT_GT(agent.captureCount, 0);
        }
        for (const float rate : {32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f, 22050.0f})
        {
            RecordingPlatform platform;
            Quarvix plugin(platform, channels);
            plugin.SetSampleRate(rate);
            plugin.SetMaxBlockSize(1024);
            QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
            QuarvixSpecService& spectrum = plugin.GetSpecService();
            spectrum.SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
            config.SetFftSize(1024);
            for (std::int32_t view = 0; view < QVXSpecConfig::kViewCount; ++view)
            {
                config.SetSpectrumView(view);
                for (std::int32_t mode = 0; mode < 4 * 4 * 4; ++mode)
                {
                    // The UI side's changes (allocation allowed there).
                    const std::int32_t channel = mode / 16, window = mode / 4 % 4, weighting = mode % 4;
                    config.SetAnalysisChannel(channel);
                    config.SetWinType(window);
                    config.SetSpecWeighting(weighting);
                    plugin.Get3rdOctService().SetAnalysisChannel(channel == 3 ? -2 : channel == 2 ? -1 : channel);
                    spectrum.TakeFullSlots(slots);
                    for (auto* slot : slots)
                        spectrum.ReleaseSlot(*slot);
                    ASSERT_EQ(Count([&] { for (int i = 0; i < 2; ++i) plugin.Process(inputs, outputs, 1024, false, 0); }), 0)
                        << "rate " << rate << " view " << view << " mode " << channel << " window " << window
                        << " weighting " << weighting;
                }
            }
        }
    }
}

} // namespace
