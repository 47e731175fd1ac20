#pragma once
// The passes of the fast real FFT, written once over a small vector-operations
// type `O` and instantiated by each kernel translation unit (SSE2, AVX2/FMA).
// Everything here has internal linkage so that code compiled for AVX2 can
// never be picked by the linker for a baseline caller.
//
// O provides: V, kComplex (complex values per vector), Load, Store, Add, Sub,
// Mul, Half, CMul(a, wr, wi), MulNegI (times -i), Conj, Reverse (complex
// order within a vector), Leaf16 (the fused last passes over 16 points), and
// kTileBits and SwapTiles for the bit reversal.

#include "analysis/QVXFFTKernel.h"

#include <cstdint>

namespace
{

template <class O>
inline void Radix2Pass(float* z, const QVXFFTKernelPlan& p) noexcept
{
    // Table pointers are copied to locals throughout: the stores into z could
    // otherwise alias the plan, and the compiler would reload it every step.
    const int h = p.complexSize / 2;
    const float* const wr = p.radix2Wr;
    const float* const wi = p.radix2Wi;
    float* lo = z;
    float* hi = z + 2 * h;
    for (int j = 0; j < h; j += O::kComplex)
    {
        const int o = 2 * j;
        const auto a = O::Load(lo + o);
        const auto b = O::Load(hi + o);
        O::Store(lo + o, O::Add(a, b));
        O::Store(hi + o, O::CMul(O::Sub(a, b), O::Load(wr + o), O::Load(wi + o)));
    }
}

// Radix-4 decimation in frequency. Output quarters hold the sub-transforms of
// the frequencies 0, 2, 1 and 3 mod 4, which keeps the overall output in plain
// bit-reversed order.
template <class O>
inline void Radix4Pass(float* z, int m, const QVXFFTKernelPlan::Stage& s) noexcept
{
    const int length = s.length;
    const int q = length / 4;
    const float* const wr1 = s.wr1;
    const float* const wi1 = s.wi1;
    const float* const wr2 = s.wr2;
    const float* const wi2 = s.wi2;
    const float* const wr3 = s.wr3;
    const float* const wi3 = s.wi3;
    for (int base = 0; base < m; base += length)
    {
        float* p0 = z + 2 * base;
        float* p1 = p0 + 2 * q;
        float* p2 = p1 + 2 * q;
        float* p3 = p2 + 2 * q;
        for (int j = 0; j < q; j += O::kComplex)
        {
            const int o = 2 * j;
            const auto a0 = O::Load(p0 + o);
            const auto a1 = O::Load(p1 + o);
            const auto a2 = O::Load(p2 + o);
            const auto a3 = O::Load(p3 + o);
            const auto t0 = O::Add(a0, a2);
            const auto t1 = O::Sub(a0, a2);
            const auto t2 = O::Add(a1, a3);
            const auto t3 = O::MulNegI(O::Sub(a1, a3));
            O::Store(p0 + o, O::Add(t0, t2));
            O::Store(p1 + o, O::CMul(O::Sub(t0, t2), O::Load(wr2 + o), O::Load(wi2 + o)));
            O::Store(p2 + o, O::CMul(O::Add(t1, t3), O::Load(wr1 + o), O::Load(wi1 + o)));
            O::Store(p3 + o, O::CMul(O::Sub(t1, t3), O::Load(wr3 + o), O::Load(wi3 + o)));
        }
    }
}

// Index i = (a, b, c): a its top t bits, c its low t bits, b the bits between.
// Its reversal is (rev c, rev b, rev a), so the 2^t x 2^t tile of a middle
// value b trades places with the tile of rev b, transposed with reversed row
// and column order. O::SwapTiles does that in registers with whole-vector
// rows, instead of scattering single values across a large transform.
template <class O>
inline void BitReversePass(float* z, const QVXFFTKernelPlan& p) noexcept
{
    const std::uint32_t* pair = p.tilePairs;
    const int count = p.tilePairCount;
    const int rowShift = p.tileMiddleBits + O::kTileBits;
    for (int i = 0; i < count; ++i, pair += 2)
        O::SwapTiles(z, rowShift, pair[0], pair[1]);
}

// Turns the M-point complex transform Z of z(n) = x(2n) + i x(2n+1) into the
// packed spectrum of x. With Zm = conj Z(M - k):
//   X(k) = A + B, X(M - k) = conj(A - B), A = (Z(k) + Zm) / 2, B = T_k (Z(k) - Zm).
template <class O>
inline void SplitPass(float* z, const QVXFFTKernelPlan& p) noexcept
{
    const int m = p.complexSize;
    const float re0 = z[0];
    const float im0 = z[1];
    z[0] = re0 + im0;
    z[1] = re0 - im0;

    constexpr int v = O::kComplex;
    const auto half = O::Half();
    const float* const wr = p.splitWr;
    const float* const wi = p.splitWi;
    int k = 1;
    for (; 2 * k + 2 * v - 2 < m; k += v)
    {
        float* front = z + 2 * k;
        float* back = z + 2 * (m - k - v + 1);
        const auto zk = O::Load(front);
        const auto zm = O::Conj(O::Reverse(O::Load(back)));
        const auto a = O::Mul(O::Add(zk, zm), half);
        const auto b = O::CMul(O::Sub(zk, zm), O::Load(wr + 2 * k), O::Load(wi + 2 * k));
        O::Store(front, O::Add(a, b));
        O::Store(back, O::Reverse(O::Conj(O::Sub(a, b))));
    }
    for (; k < m / 2; ++k)
    {
        float* front = z + 2 * k;
        float* back = z + 2 * (m - k);
        const float tr = wr[2 * k];
        const float ti = wi[2 * k + 1];
        const float ar = 0.5f * (front[0] + back[0]);
        const float ai = 0.5f * (front[1] - back[1]);
        const float dr = front[0] - back[0];
        const float di = front[1] + back[1];
        const float br = tr * dr - ti * di;
        const float bi = tr * di + ti * dr;
        front[0] = ar + br;
        front[1] = ai + bi;
        back[0] = ar - br;
        back[1] = bi - ai;
    }
    // Bin M/2: the split step reduces to a conjugate.
    z[m + 1] = -z[m + 1];
}

template <class O>
inline void RealFFTKernel(float* z, const QVXFFTKernelPlan& p) noexcept
{
    const int m = p.complexSize;
    if (p.radix2Wr)
        Radix2Pass<O>(z, p);
    const int stageCount = p.stageCount;
    for (int s = 0; s < stageCount; ++s)
        Radix4Pass<O>(z, m, p.stages[s]);
    const float* const leafWr = p.leafWr;
    const float* const leafWi = p.leafWi;
    for (int base = 0; base < m; base += 16)
        O::Leaf16(z + 2 * base, leafWr, leafWi);
    BitReversePass<O>(z, p);
    SplitPass<O>(z, p);
}

} // namespace
