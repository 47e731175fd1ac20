#include "analysis/QVXFFT.h"

#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <utility>

namespace
{

constexpr int kMinOrder = 4;
constexpr int kMaxOrder = 20;
// Below this order the plain transform runs: the fast plan needs at least 16
// complex points.
constexpr int kMinFastOrder = 5;

constexpr std::array<std::uint8_t, 256> MakeBitReversal8()
{
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
    {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b))
                r |= 1 << (7 - b);
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(r);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kBitReversal8 = MakeBitReversal8();

// i with its lowest `bits` bits reversed, through the byte table.
inline std::uint32_t ReverseBits(std::uint32_t i, int bits) noexcept
{
    const std::uint32_t r = (std::uint32_t{kBitReversal8[i & 0xffu]} << 24) |
                            (std::uint32_t{kBitReversal8[(i >> 8) & 0xffu]} << 16) |
                            (std::uint32_t{kBitReversal8[(i >> 16) & 0xffu]} << 8) |
                            std::uint32_t{kBitReversal8[(i >> 24) & 0xffu]};
    return bits == 0 ? 0 : r >> (32 - bits);
}

// Twiddle w = e^(-i theta) appended as its (re, re) and (-im, im) pairs.
void PutTwiddle(float* wr, float* wi, int index, double theta)
{
    const float c = static_cast<float>(std::cos(theta));
    const float s = static_cast<float>(std::sin(theta));
    wr[2 * index] = c;
    wr[2 * index + 1] = c;
    wi[2 * index] = s;
    wi[2 * index + 1] = -s;
}

// The plain transform of one block.
void ReferenceBlock(float* x, int order, const float* table) noexcept
{
    const int n = 1 << order;
    const int m = n / 2;
    const int quarter = n / 4;
    const int bits = order - 1;
    // cos and sin of 2 pi k / N for k = 0 .. N/2 from the quarter-wave table.
    auto cosAt = [&](int k) { return k <= quarter ? table[k] : -table[m - k]; };
    auto sinAt = [&](int k) { return k <= quarter ? table[quarter - k] : table[k - quarter]; };

    auto* z = reinterpret_cast<std::complex<float>*>(x);
    for (int i = 0; i < m; ++i)
    {
        const int r = static_cast<int>(ReverseBits(static_cast<std::uint32_t>(i), bits));
        if (i < r)
            std::swap(z[i], z[r]);
    }
    for (int len = 2; len <= m; len <<= 1)
    {
        const int half = len / 2;
        const int step = n / len; // W_len^j = W_N^(j * step)
        for (int base = 0; base < m; base += len)
        {
            for (int j = 0; j < half; ++j)
            {
                const int k = j * step;
                const std::complex<float> w(cosAt(k), -sinAt(k));
                const std::complex<float> t = w * z[base + j + half];
                z[base + j + half] = z[base + j] - t;
                z[base + j] += t;
            }
        }
    }

    // Split step: X(k) = A + B, X(M - k) = conj(A - B) with
    // A = (Z(k) + conj Z(M - k)) / 2 and B = -i/2 W_N^k (Z(k) - conj Z(M - k)).
    const float re0 = x[0];
    const float im0 = x[1];
    x[0] = re0 + im0;
    x[1] = re0 - im0;
    for (int k = 1; k < m / 2; ++k)
    {
        const std::complex<float> zk = z[k];
        const std::complex<float> zm = std::conj(z[m - k]);
        const std::complex<float> a = 0.5f * (zk + zm);
        const std::complex<float> t(-0.5f * sinAt(k), -0.5f * cosAt(k));
        const std::complex<float> b = t * (zk - zm);
        z[k] = a + b;
        z[m - k] = std::conj(a - b);
    }
    z[m / 2] = std::conj(z[m / 2]);
}

} // namespace

bool QVXCpuHasAVX2FMA() noexcept
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
#else
    return false;
#endif
}

int InitFFT(int n, int& order, QVXFFTTables& tables, QVXFFTTables::Kernel kernel)
{
    if (n <= 0)
        return 1;
    const int m = static_cast<int>(std::log(static_cast<double>(n)) / std::log(2.0) + 0.5);
    if (m < kMinOrder || m > kMaxOrder)
        return 1;
    // 2^m by repeated squaring, rounded, must give N back exactly.
    double power = 1.0;
    double base = 2.0;
    for (int e = m; e != 0; e >>= 1)
    {
        if (e & 1)
            power *= base;
        base *= base;
    }
    if (static_cast<long long>(power + 0.5) != n)
        return 1;

    // The tables read as empty until they are complete, should an allocation fail.
    tables.mOrder = 0;
    const int quarter = n / 4;
    const double twoPi = 2.0 * std::numbers::pi;
    tables.mCosine.resize(static_cast<std::size_t>(quarter) + 1);
    for (int k = 0; k <= quarter; ++k)
        tables.mCosine[static_cast<std::size_t>(k)] = static_cast<float>(std::cos(twoPi * k / n));

    if (kernel == QVXFFTTables::Kernel::Best || kernel == QVXFFTTables::Kernel::AVX2)
        kernel = QVXCpuHasAVX2FMA() ? QVXFFTTables::Kernel::AVX2 : QVXFFTTables::Kernel::SSE2;
    tables.mKernel = kernel;

    tables.mTwiddles.clear();
    tables.mStages.clear();
    tables.mTilePairs.clear();
    tables.mPlan = {};
    if (m < kMinFastOrder)
    {
        tables.mOrder = m;
        order = m;
        return 0;
    }

    // Fast plan; see QVXFFTKernel.h.
    const int cm = n / 2;
    const int bits = m - 1;
    const bool radix2 = (bits & 1) != 0;
    std::vector<int> lengths;
    for (int len = radix2 ? cm / 2 : cm; len > 16; len /= 4)
        lengths.push_back(len);

    std::size_t floats = radix2 ? 2 * static_cast<std::size_t>(cm) : 0; // (M/2 values) x 2 pairs
    for (int len : lengths)
        floats += 6 * 2 * static_cast<std::size_t>(len / 4);
    floats += 2 * 3 * 8;                                  // leaf
    floats += 2 * 2 * (static_cast<std::size_t>(cm) / 2 + 1); // split
    tables.mTwiddles.assign(floats, 0.0f);
    float* next = tables.mTwiddles.data();
    auto take = [&next](std::size_t count) {
        float* p = next;
        next += count;
        return p;
    };

    QVXFFTKernelPlan& plan = tables.mPlan;
    plan.complexSize = cm;
    if (radix2)
    {
        float* wr = take(static_cast<std::size_t>(cm));
        float* wi = take(static_cast<std::size_t>(cm));
        for (int j = 0; j < cm / 2; ++j)
            PutTwiddle(wr, wi, j, twoPi * j / cm);
        plan.radix2Wr = wr;
        plan.radix2Wi = wi;
    }
    auto fillRadix4 = [&](int len, float* w[6]) {
        for (int r = 1; r <= 3; ++r)
            for (int j = 0; j < len / 4; ++j)
                PutTwiddle(w[2 * (r - 1)], w[2 * (r - 1) + 1], j, twoPi * static_cast<double>(r * j) / len);
    };
    for (int len : lengths)
    {
        const std::size_t count = 2 * static_cast<std::size_t>(len / 4);
        float* w[6];
        for (auto& p : w)
            p = take(count);
        fillRadix4(len, w);
        tables.mStages.push_back({len, w[0], w[1], w[2], w[3], w[4], w[5]});
    }
    {
        float* leafWr = take(24);
        float* leafWi = take(24);
        float* w[6] = {leafWr, leafWi, leafWr + 8, leafWi + 8, leafWr + 16, leafWi + 16};
        fillRadix4(16, w);
        plan.leafWr = leafWr;
        plan.leafWi = leafWi;
    }
    {
        const std::size_t count = 2 * (static_cast<std::size_t>(cm) / 2 + 1);
        float* wr = take(count);
        float* wi = take(count);
        // T_k = -i/2 e^(-2 pi i k / N) = (-sin / 2, -cos / 2).
        for (int k = 0; k <= cm / 2; ++k)
        {
            const double theta = twoPi * k / n;
            const float tr = static_cast<float>(-0.5 * std::sin(theta));
            const float ti = static_cast<float>(-0.5 * std::cos(theta));
            wr[2 * k] = tr;
            wr[2 * k + 1] = tr;
            wi[2 * k] = -ti;
            wi[2 * k + 1] = ti;
        }
        plan.splitWr = wr;
        plan.splitWi = wi;
    }
    plan.stages = tables.mStages.data();
    plan.stageCount = static_cast<int>(tables.mStages.size());

    const int tileBits = kernel == QVXFFTTables::Kernel::AVX2 ? 2 : 1;
    const int middle = bits - 2 * tileBits;
    plan.tileMiddleBits = middle;
    for (std::uint32_t b = 0; b < (std::uint32_t{1} << middle); ++b)
    {
        const std::uint32_t r = ReverseBits(b, middle);
        if (b <= r)
        {
            tables.mTilePairs.push_back(b);
            tables.mTilePairs.push_back(r);
        }
    }
    plan.tilePairs = tables.mTilePairs.data();
    plan.tilePairCount = static_cast<int>(tables.mTilePairs.size() / 2);
    tables.mOrder = m;
    order = m;
    return 0;
}

bool RealFFT(std::span<float> data, int order, int count, const QVXFFTTables& tables) noexcept
{
    if (order != tables.mOrder || order < kMinOrder || order > kMaxOrder || count < 0)
        return false;
    const std::size_t n = std::size_t{1} << order;
    if (static_cast<std::size_t>(count) > data.size() / n)
        return false;
    for (int b = 0; b < count; ++b)
    {
        float* block = data.data() + static_cast<std::size_t>(b) * n;
        if (order < kMinFastOrder)
            ReferenceBlock(block, order, tables.mCosine.data());
        else if (tables.mKernel == QVXFFTTables::Kernel::AVX2)
            QVXRealFFTKernelAVX2(block, tables.mPlan);
        else
            QVXRealFFTKernelSSE2(block, tables.mPlan);
    }
    return true;
}

bool RealFFTReference(std::span<float> data, int order, int count, std::span<const float> cosineTable) noexcept
{
    if (order < kMinOrder || order > kMaxOrder || count < 0)
        return false;
    const std::size_t n = std::size_t{1} << order;
    if (cosineTable.size() < n / 4 + 1 || static_cast<std::size_t>(count) > data.size() / n)
        return false;
    for (int b = 0; b < count; ++b)
        ReferenceBlock(data.data() + static_cast<std::size_t>(b) * n, order, cosineTable.data());
    return true;
}
