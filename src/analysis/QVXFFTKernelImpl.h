#pragma once
// The passes of the fast real FFT, written once over a small vector-operations
// type `O` and instantiated by each kernel translation unit (SSE2, AVX2/FMA).
// Everything here has internal linkage so that code compiled for AVX2 can
// never be picked by the linker for a baseline caller.
//
// O provides: V, kComplex (complex values per vector), Load, Store, Add, Sub,
// Mul, Half, CMul(a, wr, wi), MulNegI (times -i), Conj, Reverse (complex
// order within a vector) and Leaf16 (the fused last passes over 16 points).

#include "analysis/QVXFFTKernel.h"

#include <cstdint>
#include <cstring>

namespace
{

template <class O>
inline void Radix2Pass(float* z, const QVXFFTKernelPlan& p) noexcept
{
    const int h = p.complexSize / 2;
    float* lo = z;
    float* hi = z + 2 * h;
    for (int j = 0; j < h; j += O::kComplex)
    {
        const int o = 2 * j;
        const auto a = O::Load(lo + o);
        const auto b = O::Load(hi + o);
        O::Store(lo + o, O::Add(a, b));
        O::Store(hi + o, O::CMul(O::Sub(a, b), O::Load(p.radix2Wr + o), O::Load(p.radix2Wi + o)));
    }
}

// Radix-4 decimation in frequency. Output quarters hold the sub-transforms of
// the frequencies 0, 2, 1 and 3 mod 4, which keeps the overall output in plain
// bit-reversed order.
template <class O>
inline void Radix4Pass(float* z, int m, const QVXFFTKernelPlan::Stage& s) noexcept
{
    const int q = s.length / 4;
    for (int base = 0; base < m; base += s.length)
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
            O::Store(p1 + o, O::CMul(O::Sub(t0, t2), O::Load(s.wr2 + o), O::Load(s.wi2 + o)));
            O::Store(p2 + o, O::CMul(O::Add(t1, t3), O::Load(s.wr1 + o), O::Load(s.wi1 + o)));
            O::Store(p3 + o, O::CMul(O::Sub(t1, t3), O::Load(s.wr3 + o), O::Load(s.wi3 + o)));
        }
    }
}

inline void BitReversePass(float* z, const QVXFFTKernelPlan& p) noexcept
{
    const std::uint32_t* pair = p.swapPairs;
    for (int i = 0; i < p.swapPairCount; ++i, pair += 2)
    {
        float* a = z + 2 * pair[0];
        float* b = z + 2 * pair[1];
        std::uint64_t va;
        std::uint64_t vb;
        std::memcpy(&va, a, sizeof va);
        std::memcpy(&vb, b, sizeof vb);
        std::memcpy(a, &vb, sizeof vb);
        std::memcpy(b, &va, sizeof va);
    }
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
    int k = 1;
    for (; 2 * k + 2 * v - 2 < m; k += v)
    {
        float* front = z + 2 * k;
        float* back = z + 2 * (m - k - v + 1);
        const auto zk = O::Load(front);
        const auto zm = O::Conj(O::Reverse(O::Load(back)));
        const auto a = O::Mul(O::Add(zk, zm), half);
        const auto b = O::CMul(O::Sub(zk, zm), O::Load(p.splitWr + 2 * k), O::Load(p.splitWi + 2 * k));
        O::Store(front, O::Add(a, b));
        O::Store(back, O::Reverse(O::Conj(O::Sub(a, b))));
    }
    for (; k < m / 2; ++k)
    {
        float* front = z + 2 * k;
        float* back = z + 2 * (m - k);
        const float tr = p.splitWr[2 * k];
        const float ti = p.splitWi[2 * k + 1];
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
    for (int s = 0; s < p.stageCount; ++s)
        Radix4Pass<O>(z, m, p.stages[s]);
    for (int base = 0; base < m; base += 16)
        O::Leaf16(z + 2 * base, p.leafWr, p.leafWi);
    BitReversePass(z, p);
    SplitPass<O>(z, p);
}

} // namespace
