#include "analysis/QVXFFT.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace
{

using Spectrum = std::vector<std::complex<double>>; // bins 0 .. N/2

// Direct double-precision DFT of bins 0 .. N/2.
Spectrum DirectDFT(const std::vector<float>& x)
{
    const std::size_t n = x.size();
    std::vector<std::complex<double>> w(n);
    for (std::size_t i = 0; i < n; ++i)
        w[i] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    Spectrum out(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k)
    {
        std::complex<double> sum = 0.0;
        std::size_t idx = 0;
        for (std::size_t i = 0; i < n; ++i, idx = (idx + k) % n)
            sum += static_cast<double>(x[i]) * w[idx];
        out[k] = sum;
    }
    return out;
}

std::complex<double> DirectBin(const std::vector<float>& x, std::size_t k)
{
    const std::size_t n = x.size();
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<double>(x[i]) *
               std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>((k * i) % n) / static_cast<double>(n));
    return sum;
}

// Textbook iterative radix-2 complex FFT in double precision, for sizes where
// the direct sum is too slow.
Spectrum DoubleFFT(const std::vector<float>& x)
{
    const std::size_t n = x.size();
    std::vector<std::complex<double>> a(x.begin(), x.end());
    for (std::size_t i = 1, j = 0; i < n; ++i)
    {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    std::vector<std::complex<double>> w(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i)
        w[i] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    for (std::size_t len = 2; len <= n; len <<= 1)
        for (std::size_t base = 0; base < n; base += len)
            for (std::size_t j = 0; j < len / 2; ++j)
            {
                const auto t = w[j * (n / len)] * a[base + j + len / 2];
                a[base + j + len / 2] = a[base + j] - t;
                a[base + j] += t;
            }
    a.resize(n / 2 + 1);
    return a;
}

std::vector<float> RandomBlock(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (auto& v : x)
        v = dist(rng);
    return x;
}

// Bin k of a packed spectrum.
std::complex<double> Packed(const std::vector<float>& y, std::size_t k)
{
    const std::size_t n = y.size();
    if (k == 0)
        return y[0];
    if (k == n / 2)
        return y[1];
    return {y[2 * k], y[2 * k + 1]};
}

double MaxMagnitude(const Spectrum& s)
{
    double m = 0.0;
    for (const auto& v : s)
        m = std::max(m, std::abs(v));
    return m;
}

struct Transform
{
    std::string name;
    std::function<bool(std::vector<float>&, int order)> run;
};

// Every implementation under test: each fast kernel this CPU can run, and the
// plain radix-2 transform.
std::vector<Transform> Transforms()
{
    std::vector<Transform> list;
    auto fast = [](QVXFFTTables::Kernel kernel) {
        return [kernel](std::vector<float>& x, int order) {
            QVXFFTTables tables;
            int m = 0;
            if (InitFFT(static_cast<int>(x.size()), m, tables, kernel) != 0 || m != order)
                return false;
            return RealFFT(x, order, 1, tables);
        };
    };
    list.push_back({"SSE2", fast(QVXFFTTables::Kernel::SSE2)});
    if (QVXCpuHasAVX2FMA())
        list.push_back({"AVX2", fast(QVXFFTTables::Kernel::AVX2)});
    list.push_back({"Reference", [](std::vector<float>& x, int order) {
                        QVXFFTTables tables;
                        int m = 0;
                        if (InitFFT(static_cast<int>(x.size()), m, tables) != 0)
                            return false;
                        return RealFFTReference(x, order, 1, tables.GetCosineTable());
                    }});
    return list;
}

} // namespace

TEST(InitFFT, AcceptsPowersOfTwoFrom16To2p20AndFillsTheQuarterWaveTable)
{
    for (int order = 4; order <= 20; ++order)
    {
        const int n = 1 << order;
        QVXFFTTables tables;
        int m = -1;
        ASSERT_EQ(InitFFT(n, m, tables), 0) << n;
        EXPECT_EQ(m, order);
        EXPECT_EQ(tables.GetOrder(), order);
        const auto table = tables.GetCosineTable();
        ASSERT_EQ(table.size(), static_cast<std::size_t>(n / 4 + 1));
        for (std::size_t k = 0; k < table.size(); k += std::max<std::size_t>(1, table.size() / 64))
            EXPECT_EQ(table[k], static_cast<float>(std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / n)));
        EXPECT_EQ(table.back(), static_cast<float>(std::cos(std::numbers::pi / 2)));
        EXPECT_NE(tables.GetKernel(), QVXFFTTables::Kernel::Best);
    }
}

TEST(InitFFT, RefusesOtherSizesAndLeavesTheTablesAlone)
{
    QVXFFTTables tables;
    int m = 0;
    ASSERT_EQ(InitFFT(64, m, tables), 0);
    for (int n : {8, 3000, 0, -16, 1, 17, 1023, 1 << 21, 3 << 10})
    {
        int order = 99;
        EXPECT_EQ(InitFFT(n, order, tables), 1) << n;
        EXPECT_EQ(order, 99) << n;
        EXPECT_EQ(tables.GetOrder(), 6);
        EXPECT_EQ(tables.GetCosineTable().size(), 17u);
    }
}

TEST(RealFFT, MatchesDoublePrecisionDFTAtEverySizeFrom16To65536)
{
    const auto transforms = Transforms();
    for (int order = 4; order <= 16; ++order)
    {
        const std::size_t n = std::size_t{1} << order;
        const auto input = RandomBlock(n, 1000u + static_cast<unsigned>(order));
        const bool direct = n <= 4096;
        const Spectrum oracle = direct ? DirectDFT(input) : DoubleFFT(input);
        if (!direct)
        {
            // The double FFT is itself checked against direct sums on a sample of bins.
            for (std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{7}, n / 3, n / 4 + 1, n / 2 - 1, n / 2})
                ASSERT_LT(std::abs(oracle[k] - DirectBin(input, k)), 1e-9 * MaxMagnitude(oracle)) << k;
        }
        const double tolerance = 1e-6 * MaxMagnitude(oracle);
        for (const auto& t : transforms)
        {
            auto y = input;
            ASSERT_TRUE(t.run(y, order)) << t.name;
            double worst = 0.0;
            for (std::size_t k = 0; k <= n / 2; ++k)
                worst = std::max(worst, std::abs(Packed(y, k) - oracle[k]));
            EXPECT_LE(worst, tolerance) << t.name << " N=" << n;
        }
    }
}

// A signal whose spectrum is known in closed form: DC, Nyquist, a cosine on
// bin k1 and a sine on bin k2, each centred on its bin.
TEST(RealFFT, KeepsThePackedLayoutUpTo2p20)
{
    for (int order : {17, 20})
    {
        const std::size_t n = std::size_t{1} << order;
        const std::size_t k1 = n / 8 + 3;
        const std::size_t k2 = n / 2 - 5;
        std::vector<float> input(n);
        for (std::size_t i = 0; i < n; ++i)
        {
            const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
            input[i] = static_cast<float>(0.25 + ((i & 1) ? -0.5 : 0.5) + 0.75 * std::cos(t * static_cast<double>(k1)) +
                                          std::sin(t * static_cast<double>(k2)));
        }
        const double nd = static_cast<double>(n);
        for (const auto& t : Transforms())
        {
            auto y = input;
            ASSERT_TRUE(t.run(y, order)) << t.name;
            const double tol = 2e-6 * nd;
            EXPECT_NEAR(y[0], 0.25 * nd, tol) << t.name;
            EXPECT_NEAR(y[1], 0.5 * nd, tol) << t.name;
            EXPECT_NEAR(y[2 * k1], 0.375 * nd, tol) << t.name;
            EXPECT_NEAR(y[2 * k2 + 1], -0.5 * nd, tol) << t.name;
            double others = 0.0;
            for (std::size_t k = 1; k < n / 2; ++k)
                if (k != k1 && k != k2)
                    others = std::max({others, std::abs(static_cast<double>(y[2 * k])),
                                       std::abs(static_cast<double>(y[2 * k + 1]))});
            EXPECT_LT(others, tol) << t.name;
            EXPECT_NEAR(y[2 * k1 + 1], 0.0, tol) << t.name;
            EXPECT_NEAR(y[2 * k2], 0.0, tol) << t.name;
        }
    }
}

TEST(RealFFT, ConstantAlternatingImpulseAndCentredSine)
{
    for (int order : {4, 5, 6, 10, 13})
    {
        const std::size_t n = std::size_t{1} << order;
        const float nf = static_cast<float>(n);
        const float tol = 1e-5f * nf;
        for (const auto& t : Transforms())
        {
            SCOPED_TRACE(t.name + " N=" + std::to_string(n));
            std::vector<float> ones(n, 1.0f);
            ASSERT_TRUE(t.run(ones, order));
            EXPECT_NEAR(ones[0], nf, tol);
            for (std::size_t i = 1; i < n; ++i)
                ASSERT_NEAR(ones[i], 0.0f, tol) << i;

            std::vector<float> alt(n);
            for (std::size_t i = 0; i < n; ++i)
                alt[i] = (i & 1) ? -1.0f : 1.0f;
            ASSERT_TRUE(t.run(alt, order));
            EXPECT_NEAR(alt[1], nf, tol);
            for (std::size_t i = 0; i < n; ++i)
            {
                if (i != 1)
                {
                    ASSERT_NEAR(alt[i], 0.0f, tol) << i;
                }
            }

            std::vector<float> impulse(n, 0.0f);
            impulse[0] = 1.0f;
            ASSERT_TRUE(t.run(impulse, order));
            EXPECT_NEAR(impulse[0], 1.0f, 1e-6f);
            EXPECT_NEAR(impulse[1], 1.0f, 1e-6f);
            for (std::size_t k = 1; k < n / 2; ++k)
            {
                ASSERT_NEAR(impulse[2 * k], 1.0f, 1e-6f) << k;
                ASSERT_NEAR(impulse[2 * k + 1], 0.0f, 1e-6f) << k;
            }

            for (std::size_t k : {std::size_t{1}, n / 4 - 1, n / 2 - 1})
            {
                std::vector<float> sine(n);
                for (std::size_t i = 0; i < n; ++i)
                    sine[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(k * i) /
                                                          static_cast<double>(n)));
                ASSERT_TRUE(t.run(sine, order));
                EXPECT_NEAR(sine[2 * k], 0.0f, tol) << k;
                EXPECT_NEAR(sine[2 * k + 1], -nf / 2, tol) << k;
            }
        }
    }
}

TEST(RealFFT, TransformsConsecutiveBlocksAndStaysInsideThem)
{
    constexpr int order = 9;
    constexpr std::size_t n = 512;
    constexpr float guard = 12345.0f;
    QVXFFTTables tables;
    int m = 0;
    ASSERT_EQ(InitFFT(static_cast<int>(n), m, tables), 0);

    const auto a = RandomBlock(n, 1);
    const auto b = RandomBlock(n, 2);
    std::vector<float> buffer(3 * n, guard);
    std::copy(a.begin(), a.end(), buffer.begin() + n);
    std::copy(b.begin(), b.end(), buffer.begin() + 2 * n);
    buffer.push_back(guard);
    ASSERT_TRUE(RealFFT(std::span<float>(buffer).subspan(n, 2 * n), order, 2, tables));
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(buffer[i], guard);
    EXPECT_EQ(buffer.back(), guard);

    auto ya = a;
    auto yb = b;
    ASSERT_TRUE(RealFFT(ya, order, 1, tables));
    ASSERT_TRUE(RealFFT(yb, order, 1, tables));
    EXPECT_TRUE(std::equal(ya.begin(), ya.end(), buffer.begin() + n));
    EXPECT_TRUE(std::equal(yb.begin(), yb.end(), buffer.begin() + 2 * n));
}

TEST(RealFFT, RefusesAMismatchedOrderOrAShortBuffer)
{
    QVXFFTTables tables;
    int m = 0;
    ASSERT_EQ(InitFFT(256, m, tables), 0);
    auto x = RandomBlock(512, 3);
    const auto before = x;
    EXPECT_FALSE(RealFFT(x, 9, 1, tables));        // tables are for order 8
    EXPECT_FALSE(RealFFT(x, 8, 3, tables));        // only two blocks fit
    EXPECT_FALSE(RealFFT(std::span<float>(x).first(255), 8, 1, tables));
    EXPECT_FALSE(RealFFTReference(x, 8, 1, std::span<const float>(tables.GetCosineTable()).first(64)));
    QVXFFTTables empty;
    EXPECT_FALSE(RealFFT(x, 0, 1, empty));
    EXPECT_EQ(x, before);
    EXPECT_TRUE(RealFFT(x, 8, 0, tables));
    EXPECT_EQ(x, before);
}
