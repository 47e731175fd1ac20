// A, B and C weighting of 48 kHz stereo audio in blocks of 1024 frames, the
// way the spectrum service's capture runs it.

#include "analysis/QVXWeightingProcessor.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace
{

class BenchWeightingProcessor : public QVXWeightingProcessor
{
};

void BM_Weighting(benchmark::State& state, int curve)
{
    constexpr int kFrames = 1024;
    BenchWeightingProcessor processor;
    processor.SetUpWeighting(2, 48000);
    processor.SelectWeighting(curve);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> left(kFrames);
    std::vector<float> right(kFrames);
    for (int i = 0; i < kFrames; ++i)
    {
        left[static_cast<std::size_t>(i)] = dist(rng);
        right[static_cast<std::size_t>(i)] = dist(rng);
    }
    std::vector<float> outLeft(kFrames);
    std::vector<float> outRight(kFrames);
    const float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    for (auto _ : state)
    {
        processor.ApplyWeighting(inputs, outputs, kFrames);
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames); // frames
}

} // namespace

BENCHMARK_CAPTURE(BM_Weighting, A, 1);
BENCHMARK_CAPTURE(BM_Weighting, B, 2);
BENCHMARK_CAPTURE(BM_Weighting, C, 3);
