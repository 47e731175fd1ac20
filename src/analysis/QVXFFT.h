#pragma once
// The packed real-input FFT of the spectrum analysis.
//
// A block of N = 2^order floats (order 4 to 20) is replaced in place by its
// unnormalised forward DFT X(k) = sum x(n) e^(-2 pi i k n / N):
//   [0] = Re X(0), [1] = Re X(N/2), [2k], [2k + 1] = Re, Im X(k) for k = 1 .. N/2 - 1.
// Nothing is scaled: a block of N ones gives N at [0].
//
// Threads: InitFFT allocates and runs on the UI thread (when the FFT size
// changes). RealFFT and RealFFTReference run on the real-time thread: they
// neither allocate, lock nor throw. One QVXFFTTables may be read by several
// transforms at once.

#include "analysis/QVXFFTKernel.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

class QVXFFTTables
{
public:
    // Which transform kernel InitFFT prepares. Best picks AVX2/FMA when the CPU
    // has it and SSE2 otherwise; AVX2 falls back to SSE2 on a CPU without it.
    enum class Kernel
    {
        Best,
        SSE2,
        AVX2,
    };

    QVXFFTTables() = default;
    // The plan points into the tables' own vectors.
    QVXFFTTables(const QVXFFTTables&) = delete;
    QVXFFTTables& operator=(const QVXFFTTables&) = delete;

    int GetOrder() const noexcept { return mOrder; }
    int GetSize() const noexcept { return mOrder > 0 ? 1 << mOrder : 0; }
    // cos(2 pi k / N) for k = 0 .. N/4, computed in double and stored as float.
    std::span<const float> GetCosineTable() const noexcept { return mCosine; }
    // The kernel actually in use (never Best once the tables are initialised).
    Kernel GetKernel() const noexcept { return mKernel; }

    // Exchanges two sets of tables. The plan points into the vectors' own
    // storage, which a swap hands over unmoved, so both stay consistent; this
    // lets a caller build new tables aside and commit them without a failure.
    friend void swap(QVXFFTTables& a, QVXFFTTables& b) noexcept
    {
        std::swap(a.mOrder, b.mOrder);
        std::swap(a.mKernel, b.mKernel);
        a.mCosine.swap(b.mCosine);
        a.mTwiddles.swap(b.mTwiddles);
        a.mStages.swap(b.mStages);
        a.mTilePairs.swap(b.mTilePairs);
        std::swap(a.mPlan, b.mPlan);
    }

private:
    friend int InitFFT(int n, int& order, QVXFFTTables& tables, QVXFFTTables::Kernel kernel);
    friend bool RealFFT(std::span<float> data, int order, int count, const QVXFFTTables& tables) noexcept;

    int mOrder = 0;
    Kernel mKernel = Kernel::Best;
    std::vector<float> mCosine;
    // Twiddles of the fast kernel, each as (re, re) and (-im, im) pairs so a
    // complex multiply needs one shuffle; see QVXFFTKernel.h.
    std::vector<float> mTwiddles;
    std::vector<QVXFFTKernelPlan::Stage> mStages;
    std::vector<std::uint32_t> mTilePairs;
    QVXFFTKernelPlan mPlan{};
};

// Validates N and prepares the tables for it. Returns 0 on success and 1 when N
// is not a power of two from 16 to 1048576 (the tables are then left untouched).
// UI thread; allocates.
int InitFFT(int n, int& order, QVXFFTTables& tables, QVXFFTTables::Kernel kernel = QVXFFTTables::Kernel::Best);

// Transforms `count` consecutive blocks of N = 2^order floats of `data` in
// place, one after the other. Returns false, leaving the data alone, when
// `order` is not the order the tables were made for or `data` holds fewer than
// count * N floats. Real-time safe.
bool RealFFT(std::span<float> data, int order, int count, const QVXFFTTables& tables) noexcept;

// The plain radix-2 transform: an N/2-point complex FFT of the even and odd
// samples (as real and imaginary parts) reordered through an 8-bit bit-reversal
// table, then the real-sequence split step, with every twiddle taken from the
// quarter-wave cosine table (N/4 + 1 entries). Same layout and sums as RealFFT;
// kept as the oracle of the fast kernels and used for the smallest size.
// Returns false when the table or the data are too short. Real-time safe.
bool RealFFTReference(std::span<float> data, int order, int count, std::span<const float> cosineTable) noexcept;

// Whether this CPU can run the AVX2/FMA kernel.
bool QVXCpuHasAVX2FMA() noexcept;
