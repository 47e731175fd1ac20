// The AVX2/FMA kernel: four complex values per vector. This file is compiled
// with -mavx2 -mfma; it is only entered after QVXCpuHasAVX2FMA() said yes.

#include "analysis/QVXFFTKernelImpl.h"

#if defined(__AVX2__) && defined(__FMA__)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace
{

struct AvxOps
{
    using V = __m256;
    static constexpr int kComplex = 4;

    static V Load(const float* p) noexcept { return _mm256_loadu_ps(p); }
    static void Store(float* p, V v) noexcept { _mm256_storeu_ps(p, v); }
    static V Add(V a, V b) noexcept { return _mm256_add_ps(a, b); }
    static V Sub(V a, V b) noexcept { return _mm256_sub_ps(a, b); }
    static V Mul(V a, V b) noexcept { return _mm256_mul_ps(a, b); }
    static V Half() noexcept { return _mm256_set1_ps(0.5f); }
    static V ImagSign() noexcept
    {
        return _mm256_castsi256_ps(_mm256_set_epi32(INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0));
    }
    static V Swap(V a) noexcept { return _mm256_permute_ps(a, _MM_SHUFFLE(2, 3, 0, 1)); }
    static V CMul(V a, V wr, V wi) noexcept { return _mm256_fmadd_ps(a, wr, _mm256_mul_ps(Swap(a), wi)); }
    static V MulNegI(V a) noexcept { return _mm256_xor_ps(Swap(a), ImagSign()); }
    static V Conj(V a) noexcept { return _mm256_xor_ps(a, ImagSign()); }
    static V Reverse(V a) noexcept
    {
        return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(a), _MM_SHUFFLE(0, 1, 2, 3)));
    }

    // 4 x 4 transpose of complex values (64-bit elements).
    static void Transpose(V& r0, V& r1, V& r2, V& r3) noexcept
    {
        const __m256d t0 = _mm256_unpacklo_pd(_mm256_castps_pd(r0), _mm256_castps_pd(r1));
        const __m256d t1 = _mm256_unpackhi_pd(_mm256_castps_pd(r0), _mm256_castps_pd(r1));
        const __m256d t2 = _mm256_unpacklo_pd(_mm256_castps_pd(r2), _mm256_castps_pd(r3));
        const __m256d t3 = _mm256_unpackhi_pd(_mm256_castps_pd(r2), _mm256_castps_pd(r3));
        r0 = _mm256_castpd_ps(_mm256_permute2f128_pd(t0, t2, 0x20));
        r1 = _mm256_castpd_ps(_mm256_permute2f128_pd(t1, t3, 0x20));
        r2 = _mm256_castpd_ps(_mm256_permute2f128_pd(t0, t2, 0x31));
        r3 = _mm256_castpd_ps(_mm256_permute2f128_pd(t1, t3, 0x31));
    }

    // Tiles of 4 x 4: rows (a, b, 0..3), one vector each. Loading the rows in
    // the order 0, 2, 1, 3 and storing transposed row rev(A) to row A gives
    // element (A, C) = tile(rev C, rev A).
    static constexpr int kTileBits = 2;
    static void SwapTiles(float* z, int rowShift, std::uint32_t b, std::uint32_t rb) noexcept
    {
        auto row = [z, rowShift](std::size_t a, std::uint32_t mid) {
            return z + 2 * ((a << rowShift) | (std::size_t{mid} << 2));
        };
        V x0 = Load(row(0, b));
        V x1 = Load(row(2, b));
        V x2 = Load(row(1, b));
        V x3 = Load(row(3, b));
        Transpose(x0, x1, x2, x3);
        if (b == rb)
        {
            Store(row(0, b), x0);
            Store(row(1, b), x2);
            Store(row(2, b), x1);
            Store(row(3, b), x3);
            return;
        }
        V y0 = Load(row(0, rb));
        V y1 = Load(row(2, rb));
        V y2 = Load(row(1, rb));
        V y3 = Load(row(3, rb));
        Transpose(y0, y1, y2, y3);
        Store(row(0, rb), x0);
        Store(row(1, rb), x2);
        Store(row(2, rb), x1);
        Store(row(3, rb), x3);
        Store(row(0, b), y0);
        Store(row(1, b), y2);
        Store(row(2, b), y1);
        Store(row(3, b), y3);
    }

    static void Leaf16(float* z, const float* wr, const float* wi) noexcept
    {
        const V a0 = Load(z);
        const V a1 = Load(z + 8);
        const V a2 = Load(z + 16);
        const V a3 = Load(z + 24);
        const V t0 = Add(a0, a2);
        const V t1 = Sub(a0, a2);
        const V t2 = Add(a1, a3);
        const V t3 = MulNegI(Sub(a1, a3));
        V c0 = Add(t0, t2);
        V c1 = CMul(Sub(t0, t2), Load(wr + 8), Load(wi + 8));
        V c2 = CMul(Add(t1, t3), Load(wr), Load(wi));
        V c3 = CMul(Sub(t1, t3), Load(wr + 16), Load(wi + 16));
        Transpose(c0, c1, c2, c3);
        const V s0 = Add(c0, c2);
        const V d0 = Sub(c0, c2);
        const V s1 = Add(c1, c3);
        const V d1 = MulNegI(Sub(c1, c3));
        V o0 = Add(s0, s1);
        V o1 = Sub(s0, s1);
        V o2 = Add(d0, d1);
        V o3 = Sub(d0, d1);
        Transpose(o0, o1, o2, o3);
        Store(z, o0);
        Store(z + 8, o1);
        Store(z + 16, o2);
        Store(z + 24, o3);
    }
};

} // namespace

void QVXRealFFTKernelAVX2(float* data, const QVXFFTKernelPlan& plan) noexcept
{
    RealFFTKernel<AvxOps>(data, plan);
}

#else

// Built without AVX2 support in the compiler: the selection never picks this.
void QVXRealFFTKernelAVX2(float* data, const QVXFFTKernelPlan& plan) noexcept
{
    QVXRealFFTKernelSSE2(data, plan);
}

#endif
