#pragma once
// The fast real FFT kernels' view of their tables. Internal to the analysis
// library: the kernels live in their own translation units (one is compiled
// for AVX2/FMA), so this header uses plain data only.
//
// Plan of a transform of N reals, with M = N/2 complex points z(n) = x(2n) + i x(2n+1):
//   1. when log2 M is odd, one radix-2 decimation-in-frequency pass over M;
//   2. radix-4 decimation-in-frequency passes down to length 16;
//   3. a fused pass over each block of 16: the last radix-4 pass with
//      twiddles and the final twiddle-free 4-point transforms;
//   4. the bit-reversal permutation, by swapping small transposed tiles;
//   5. the real-sequence split step into the packed layout.
// Twiddles w are stored per complex value as the pairs (re w, re w) and
// (-im w, im w): then a * w = a * (re, re) + swap(a) * (-im, im).
// Real-time thread; no allocation.

#include <cstdint>

struct QVXFFTKernelPlan
{
    struct Stage
    {
        int length;       // L: the pass works on M / L independent groups of L points
        const float* wr1; // W_L^j, W_L^2j, W_L^3j for j < L/4: (re, re) pairs
        const float* wi1; //   and (-im, im) pairs, 2 * L/4 floats each
        const float* wr2;
        const float* wi2;
        const float* wr3;
        const float* wi3;
    };

    int complexSize;                 // M
    const float* radix2Wr;           // W_M^j for j < M/2, only when log2 M is odd
    const float* radix2Wi;
    const Stage* stages;             // radix-4 passes with L > 16, longest first
    int stageCount;
    const float* leafWr;             // W_16^j, W_16^2j, W_16^3j for j < 4: 3 x 8 floats
    const float* leafWi;
    // Bit reversal by tiles of 2^t x 2^t values, t = 1 (SSE2) or 2 (AVX2):
    // pairs (b, reversed b), b <= reversed b, of the log2 M - 2t middle index
    // bits; see BitReversePass.
    const std::uint32_t* tilePairs;
    int tilePairCount;
    int tileMiddleBits;
    const float* splitWr;            // T_k = -i/2 W_N^k for k = 0 .. M/2 as pairs
    const float* splitWi;
};

void QVXRealFFTKernelSSE2(float* data, const QVXFFTKernelPlan& plan) noexcept;
void QVXRealFFTKernelAVX2(float* data, const QVXFFTKernelPlan& plan) noexcept;
