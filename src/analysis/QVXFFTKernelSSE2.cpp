// The SSE2 kernel: two complex values per vector. SSE2 is part of every
// x86-64 CPU, so this kernel needs no check.

#include "analysis/QVXFFTKernelImpl.h"

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace
{

struct SseOps
{
    using V = __m128;
    static constexpr int kComplex = 2;

    static V Load(const float* p) noexcept { return _mm_loadu_ps(p); }
    static void Store(float* p, V v) noexcept { _mm_storeu_ps(p, v); }
    static V Add(V a, V b) noexcept { return _mm_add_ps(a, b); }
    static V Sub(V a, V b) noexcept { return _mm_sub_ps(a, b); }
    static V Mul(V a, V b) noexcept { return _mm_mul_ps(a, b); }
    static V Half() noexcept { return _mm_set1_ps(0.5f); }
    static V ImagSign() noexcept { return _mm_castsi128_ps(_mm_set_epi32(INT32_MIN, 0, INT32_MIN, 0)); }
    static V Swap(V a) noexcept { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1)); }
    static V CMul(V a, V wr, V wi) noexcept { return _mm_add_ps(_mm_mul_ps(a, wr), _mm_mul_ps(Swap(a), wi)); }
    // (x + iy) * -i = y - ix
    static V MulNegI(V a) noexcept { return _mm_xor_ps(Swap(a), ImagSign()); }
    static V Conj(V a) noexcept { return _mm_xor_ps(a, ImagSign()); }
    static V Reverse(V a) noexcept { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(1, 0, 3, 2)); }

    // The 4-point transforms of two groups held as (lo, hi) vector pairs,
    // turned so that each vector holds the same element of both groups.
    static void Quad(V& alo, V& ahi, V& blo, V& bhi) noexcept
    {
        const V c0 = _mm_movelh_ps(alo, blo);
        const V c1 = _mm_movehl_ps(blo, alo);
        const V c2 = _mm_movelh_ps(ahi, bhi);
        const V c3 = _mm_movehl_ps(bhi, ahi);
        const V s0 = Add(c0, c2);
        const V d0 = Sub(c0, c2);
        const V s1 = Add(c1, c3);
        const V d1 = MulNegI(Sub(c1, c3));
        const V o0 = Add(s0, s1);
        const V o1 = Sub(s0, s1);
        const V o2 = Add(d0, d1);
        const V o3 = Sub(d0, d1);
        alo = _mm_movelh_ps(o0, o1);
        ahi = _mm_movelh_ps(o2, o3);
        blo = _mm_movehl_ps(o1, o0);
        bhi = _mm_movehl_ps(o3, o2);
    }

    // Tiles of 2 x 2: rows (a, b, 0..1), one vector each.
    static constexpr int kTileBits = 1;
    static void SwapTiles(float* z, int rowShift, std::uint32_t b, std::uint32_t rb) noexcept
    {
        float* const b0 = z + 2 * (std::size_t{b} << 1);
        float* const b1 = z + 2 * ((std::size_t{1} << rowShift) | (std::size_t{b} << 1));
        float* const r0 = z + 2 * (std::size_t{rb} << 1);
        float* const r1 = z + 2 * ((std::size_t{1} << rowShift) | (std::size_t{rb} << 1));
        const V x0 = Load(b0);
        const V x1 = Load(b1);
        const V y0 = Load(r0);
        const V y1 = Load(r1);
        Store(r0, _mm_movelh_ps(x0, x1));
        Store(r1, _mm_movehl_ps(x1, x0));
        if (b != rb)
        {
            Store(b0, _mm_movelh_ps(y0, y1));
            Store(b1, _mm_movehl_ps(y1, y0));
        }
    }

    static void Leaf16(float* z, const float* wr, const float* wi) noexcept
    {
        V y[4][2]; // [group][half]
        for (int h = 0; h < 2; ++h)
        {
            const int o = 4 * h;
            const V a0 = Load(z + o);
            const V a1 = Load(z + 8 + o);
            const V a2 = Load(z + 16 + o);
            const V a3 = Load(z + 24 + o);
            const V t0 = Add(a0, a2);
            const V t1 = Sub(a0, a2);
            const V t2 = Add(a1, a3);
            const V t3 = MulNegI(Sub(a1, a3));
            y[0][h] = Add(t0, t2);
            y[1][h] = CMul(Sub(t0, t2), Load(wr + 8 + o), Load(wi + 8 + o));
            y[2][h] = CMul(Add(t1, t3), Load(wr + o), Load(wi + o));
            y[3][h] = CMul(Sub(t1, t3), Load(wr + 16 + o), Load(wi + 16 + o));
        }
        Quad(y[0][0], y[0][1], y[1][0], y[1][1]);
        Quad(y[2][0], y[2][1], y[3][0], y[3][1]);
        for (int g = 0; g < 4; ++g)
        {
            Store(z + 8 * g, y[g][0]);
            Store(z + 8 * g + 4, y[g][1]);
        }
    }
};

} // namespace

void QVXRealFFTKernelSSE2(float* data, const QVXFFTKernelPlan& plan) noexcept
{
    RealFFTKernel<SseOps>(data, plan);
}
