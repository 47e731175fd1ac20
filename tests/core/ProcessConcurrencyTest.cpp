// Process runs on the audio thread while the UI thread changes everything the
// analysis depends on and takes the finished frames. Run under
// ThreadSanitizer this proves the two never race; in any build it proves the
// audio keeps passing through unchanged meanwhile. Settings loaded and saved
// under a running render are tested through the host library, with the host.

#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixSpecService.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

TEST(ProcessConcurrency, AnalysisFollowsUIChangesWithoutRaces)
{
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    plugin.SetSampleRate(48000.0f);
    plugin.SetMaxBlockSize(256);
    QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
    QuarvixSpecService& spectrum = plugin.GetSpecService();
    spectrum.SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);

    std::atomic<bool> stop{false};
    std::atomic<long> mismatches{0}, blocks{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256), outLeft(256), outRight(256);
        for (std::size_t i = 0; i < left.size(); ++i)
            std::tie(left[i], right[i]) =
                std::pair(std::sin(0.1f * static_cast<float>(i)), 0.5f * std::cos(0.07f * static_cast<float>(i)));
        const float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        while (!stop.load(std::memory_order_relaxed))
        {
            plugin.Process(in, out, 256, false, 0);
            mismatches.fetch_add(outLeft != left || outRight != right ? 1 : 0);
            blocks.fetch_add(1);
        }
    });

    const std::int32_t sizes[] = {512, 1024, 2048, 4096, 8192};
    std::vector<SpecCaptureAgentDyn::Slot*> slots;
    long frames = 0;
    std::int32_t size = spectrum.GetFftSize();
    for (int step = 0; step < 120; ++step)
    {
        // The display's side first: frames of the size it last asked for.
        spectrum.TakeFullSlots(slots);
        for (auto* slot : slots)
        {
            frames += slot->GetLength() == size ? 1 : 0;
            spectrum.ReleaseSlot(*slot);
        }
        config.SetSpectrumView(step % 7 == 6 ? QVXSpecConfig::kAna3rdOct : step % 2);
        size = sizes[step % 5];
        config.SetFftSize(size);
        config.SetWinType(step % 4);
        config.SetSpecWeighting(step % 4);
        config.SetAnalysisChannel((step / 2) % 4);
        plugin.Get3rdOctService().SetAnalysisChannel(step % 3 - 1);
        for (const long target = blocks.load() + 8; blocks.load() < target;)
            std::this_thread::yield();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(blocks.load(), 400);
    EXPECT_GT(frames, 0) << "frames still reach the display";
}
