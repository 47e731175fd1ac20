// The real FFT against two well-known anchors, FFTW (single precision,
// in-place r2c planned with FFTW_MEASURE) and KissFFT (kiss_fftr). Each
// iteration copies the same input block into the work buffer and transforms
// it, so every contender does the same copy and no values grow from one
// iteration to the next.

#include "analysis/QVXFFT.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fftr.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace
{

std::vector<float> Input(std::size_t n)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (auto& v : x)
        v = dist(rng);
    return x;
}

void RunRealFFT(benchmark::State& state, QVXFFTTables::Kernel kernel)
{
    const int n = static_cast<int>(state.range(0));
    QVXFFTTables tables;
    int order = 0;
    if (InitFFT(n, order, tables, kernel) != 0)
    {
        state.SkipWithError("InitFFT refused the size");
        return;
    }
    const auto input = Input(static_cast<std::size_t>(n));
    std::vector<float> work(input.size());
    for (auto _ : state)
    {
        std::memcpy(work.data(), input.data(), input.size() * sizeof(float));
        RealFFT(work, order, 1, tables);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// The kernel the CPU picks (AVX2/FMA where available).
void BM_RealFFT(benchmark::State& state)
{
    RunRealFFT(state, QVXFFTTables::Kernel::Best);
}

// The baseline kernel every x86-64 CPU runs.
void BM_RealFFT_SSE2(benchmark::State& state)
{
    RunRealFFT(state, QVXFFTTables::Kernel::SSE2);
}

void BM_FFTW_r2c_inplace(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    // In-place r2c needs room for N/2 + 1 complex values.
    auto* buffer = static_cast<float*>(fftwf_malloc(sizeof(float) * static_cast<std::size_t>(n + 2)));
    fftwf_plan plan =
        fftwf_plan_dft_r2c_1d(n, buffer, reinterpret_cast<fftwf_complex*>(buffer), FFTW_MEASURE);
    const auto input = Input(static_cast<std::size_t>(n));
    for (auto _ : state)
    {
        std::memcpy(buffer, input.data(), input.size() * sizeof(float));
        fftwf_execute(plan);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    fftwf_destroy_plan(plan);
    fftwf_free(buffer);
}

void BM_KissFFT_r2c(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    kiss_fftr_cfg cfg = kiss_fftr_alloc(n, 0, nullptr, nullptr);
    const auto input = Input(static_cast<std::size_t>(n));
    std::vector<float> work(input.size());
    std::vector<kiss_fft_cpx> out(static_cast<std::size_t>(n / 2 + 1));
    for (auto _ : state)
    {
        std::memcpy(work.data(), input.data(), input.size() * sizeof(float));
        kiss_fftr(cfg, work.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    kiss_fftr_free(cfg);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int n : {512, 1024, 2048, 4096, 8192, 65536})
        b->Arg(n);
}

} // namespace

BENCHMARK(BM_RealFFT)->Apply(Sizes);
BENCHMARK(BM_RealFFT_SSE2)->Apply(Sizes);
BENCHMARK(BM_FFTW_r2c_inplace)->Apply(Sizes);
BENCHMARK(BM_KissFFT_r2c)->Apply(Sizes);
