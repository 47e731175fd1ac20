// The whole audio path of one stereo instance at 48 kHz in 1024-frame blocks:
// Process, pass-through and the analysis of the view shown. Each iteration
// renders one second of audio; the counter rtf is how many times faster than
// real time that runs.

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "core/PluginPlatform.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"

#include "BenchPlatform.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{

constexpr int kRate = 48000;
constexpr int kBlock = 1024;

void RenderOneSecond(benchmark::State& state, Quarvix& plugin)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> left(kRate), right(kRate), outLeft(kBlock), outRight(kBlock);
    for (int i = 0; i < kRate; ++i)
    {
        left[static_cast<std::size_t>(i)] = noise(rng) + 0.3f * std::sin(0.05f * static_cast<float>(i));
        right[static_cast<std::size_t>(i)] = noise(rng);
    }
    std::vector<SpecCaptureAgentDyn::Slot*> slots;
    QuarvixSpecService& spectrum = plugin.GetSpecService();
    for (auto _ : state)
    {
        for (int done = 0; done < kRate; done += kBlock)
        {
            const int frames = std::min(kBlock, kRate - done);
            const float* in[] = {left.data() + done, right.data() + done};
            float* out[] = {outLeft.data(), outRight.data()};
            plugin.Process(in, out, frames, false, 0);
        }
        // The display's side: give every frame back, as its timer would.
        state.PauseTiming();
        if (spectrum.TakeFullSlots(slots))
            for (auto* slot : slots)
                spectrum.ReleaseSlot(*slot);
        state.ResumeTiming();
        benchmark::DoNotOptimize(outLeft.data());
    }
    // One second of audio per iteration: the rate is the real-time factor.
    state.counters["rtf"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ProcessFFTView(benchmark::State& state)
{
    SilentPlatform platform;
    Quarvix plugin(platform, {2, 2});
    QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
    plugin.SetSampleRate(kRate);
    plugin.SetMaxBlockSize(kBlock);
    config.SetSpectrumView(QVXSpecConfig::kAnaFFT);
    config.SetFftSize(8192);
    config.SetWinType(1);
    config.SetSpecWeighting(0);
    plugin.GetSpecService().SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
    RenderOneSecond(state, plugin);
}
BENCHMARK(BM_ProcessFFTView)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Process3rdOctView(benchmark::State& state)
{
    SilentPlatform platform;
    Quarvix plugin(platform, {2, 2});
    QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
    plugin.SetSampleRate(kRate);
    plugin.SetMaxBlockSize(kBlock);
    config.SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    plugin.Get3rdOctService().SetAnalysisChannel(Quarvix3rdOctAnalysisService::kSelectBoth);
    RenderOneSecond(state, plugin);
}
BENCHMARK(BM_Process3rdOctView)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
