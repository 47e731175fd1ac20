// Controls automated and the settings chunk saved and restored on the main
// thread while the audio thread renders, through the host library: under
// ThreadSanitizer no race; in any build the audio passes unchanged and every chunk is whole.

#include "host/CVLGroup.h"
#include "host/CVLPTProcess.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace
{
using namespace HostLib;

struct CountingHost : EffectHost
{
    std::atomic<int> boxes{0};
    void ShowMessageBox(const EffectMessageBox&) override { ++boxes; }
};

using RenderConcurrencyTest = TestFiles::TempDirTest;

TEST_F(RenderConcurrencyTest, ControlsAndChunksWhileTheAudioThreadRenders)
{
    ::setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
    CVLGroup group;
    CountingHost host;
    group.SetHost(&host);
    ASSERT_EQ(group.Initialize(), 0);
    EffectInstance* instance = group.GetEngine().CreateInstance(CVLGroup::kStereoRealtimeType);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->SetSampleRate(48000.0), kEffectOK);
    ASSERT_EQ(instance->SetBlockSize(256), kEffectOK);
    // The plug-in object, for what the editor's timer would do on the main thread.
    PluginCore& plugin = *dynamic_cast<CVLPTProcess&>(*group.GetProcess(instance)).GetPlugin();
    QVXSpecConfig& config = *dynamic_cast<Quarvix&>(plugin).GetGeneralService().GetSpecConfig();
    const FourCharCode chunkId = instance->GetChunks().at(0).id;
    const std::int32_t bypass = instance->GetMasterBypassIndex(), reset = bypass + 1;

    // Two saved states that differ in everything the analysis is built from.
    std::vector<char> bands, spectrum;
    config.SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    ASSERT_EQ(instance->GetChunk(chunkId, bands), kEffectOK);
    config.SetSpectrumView(QVXSpecConfig::kAnaFFT);
    config.SetFftSize(512);
    ASSERT_EQ(instance->GetChunk(chunkId, spectrum), kEffectOK);

    std::atomic<bool> stop{false};
    std::atomic<long> calls{0}, mismatches{0};
    std::thread audio([&] {
        // Longer than the block size: every call is cut into pieces.
        constexpr std::int32_t kFrames = 700;
        std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
        for (std::size_t i = 0; i < left.size(); ++i)
            std::tie(left[i], right[i]) = std::pair(std::sin(0.05f * i), 0.5f * std::cos(0.11f * i));
        const float* inputs[] = {left.data(), right.data()};
        const float* leftOnly[] = {left.data(), nullptr};
        float* outputs[] = {outLeft.data(), outRight.data()};
        float* leftOut[] = {outLeft.data(), nullptr};
        for (long call = 0; !stop.load(std::memory_order_relaxed); ++call)
        {
            const bool whole = call % 4 != 3;
            instance->Render(whole ? inputs : leftOnly, whole ? outputs : leftOut, kFrames);
            mismatches.fetch_add(outLeft != left || (whole && outRight != right) ? 1 : 0);
            calls.fetch_add(1);
        }
    });

    std::vector<char> chunk;
    int wholeChunks = 0;
    for (int step = 0; step < 60; ++step)
    {
        EXPECT_EQ(instance->SetControlValue(bypass, step % 3 == 1 ? 1.0 : 0.0), kEffectOK);
        EXPECT_EQ(instance->SetControlValue(reset, step % 2), kEffectOK);
        EXPECT_FALSE(instance->GetControlValueText(reset, step % 2, -1).empty());
        plugin.FlushHostParameterChanges(); // the editor's timer would
        EXPECT_EQ(instance->SetChunk(chunkId, step % 2 ? bands : spectrum), kEffectOK);
        EXPECT_EQ(config.GetSpectrumView(), step % 2 ? QVXSpecConfig::kAna3rdOct : QVXSpecConfig::kAnaFFT);
        wholeChunks += instance->GetChunk(chunkId, chunk) == kEffectOK &&
                       ReadChunkHeader(chunk).size == static_cast<std::int32_t>(chunk.size()) &&
                       std::string(chunk.begin() + kChunkHeaderSize, chunk.end()).find("QVXAlarmManager") != std::string::npos;
        for (const long target = calls.load() + 2; calls.load() < target;)
            std::this_thread::yield();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(std::tuple(mismatches.load(), wholeChunks, host.boxes.load()), std::tuple(0, 60, 0));
    EXPECT_GT(calls.load(), 120);
}

} // namespace
