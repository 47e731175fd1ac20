// Process runs on the audio thread while the UI thread changes everything the
// analysis depends on and takes the finished frames. Run under
// ThreadSanitizer this proves the two never race; in any build it proves the
// audio keeps passing through unchanged meanwhile.

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
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
    std::atomic<long> mismatches{0};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256), outLeft(256), outRight(256);
        for (int i = 0; i < 256; ++i)
        {
            left[static_cast<std::size_t>(i)] = std::sin(0.1f * static_cast<float>(i));
            right[static_cast<std::size_t>(i)] = 0.5f * std::cos(0.07f * static_cast<float>(i));
        }
        const float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        while (!stop.load(std::memory_order_relaxed))
        {
            plugin.Process(in, out, 256, false, 0);
            if (outLeft != left || outRight != right)
                mismatches.fetch_add(1);
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
        if (spectrum.TakeFullSlots(slots))
        {
            for (auto* slot : slots)
            {
                frames += slot->GetLength() == size ? 1 : 0;
                spectrum.ReleaseSlot(*slot);
            }
        }
        config.SetSpectrumView(step % 7 == 6 ? QVXSpecConfig::kAna3rdOct : step % 2);
        size = sizes[step % 5];
        config.SetFftSize(size);
        config.SetWinType(step % 4);
        config.SetSpecWeighting(step % 4);
        config.SetAnalysisChannel((step / 2) % 4);
        plugin.Get3rdOctService().SetAnalysisChannel(step % 3 - 1);
        const long target = blocks.load() + 8;
        while (blocks.load() < target)
            std::this_thread::yield();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(blocks.load(), 400);
    EXPECT_GT(frames, 0) << "frames still reach the display";
}

// The host saves and restores settings on its main thread while the audio
// thread renders: loading replaces views, sizes and weighting under the
// running analysis.
TEST(ProcessConcurrency, SettingsLoadAndSaveWhileAudioRuns)
{
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    plugin.SetSampleRate(44100.0f);
    plugin.SetMaxBlockSize(128);
    QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();

    // Two states to switch between.
    auto saveState = [&] {
        const char* chunk = plugin.GetChunk(true);
        return std::string(chunk, plugin.GetChunkLength());
    };
    config.SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    config.SetSpecWeighting(1);
    const std::string bands = saveState();
    config.SetSpectrumView(QVXSpecConfig::kAnaFFT);
    config.SetFftSize(512);
    config.SetSpecWeighting(3);
    const std::string spectrum = saveState();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::atomic<long> mismatches{0};
    std::thread audio([&] {
        std::vector<float> left(128), right(128), outLeft(128), outRight(128);
        for (int i = 0; i < 128; ++i)
        {
            left[static_cast<std::size_t>(i)] = std::sin(0.2f * static_cast<float>(i));
            right[static_cast<std::size_t>(i)] = -left[static_cast<std::size_t>(i)];
        }
        const float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        while (!stop.load(std::memory_order_relaxed))
        {
            plugin.Process(in, out, 128, false, 0);
            if (outLeft != left || outRight != right)
                mismatches.fetch_add(1);
            blocks.fetch_add(1);
        }
    });

    for (int step = 0; step < 30; ++step)
    {
        const std::string& text = step % 2 ? bands : spectrum;
        plugin.SetChunk(text.data(), static_cast<std::int32_t>(text.size()), true);
        EXPECT_EQ(config.GetSpectrumView(), step % 2 ? QVXSpecConfig::kAna3rdOct : QVXSpecConfig::kAnaFFT);
        EXPECT_FALSE(saveState().empty());
        const long target = blocks.load() + 3;
        while (blocks.load() < target)
            std::this_thread::yield();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_TRUE(platform.errors.empty());
}
