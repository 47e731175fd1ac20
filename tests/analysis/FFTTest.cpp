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

// Direct double-precision DFT sums of the given bins.
Spectrum DirectDFT(const std::vector<float>& x, const std::vector<std::size_t>& bins)
{
    const std::size_t n = x.size();
    std::vector<std::complex<double>> w(n);
    for (std::size_t i = 0; i < n; ++i)
        w[i] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    Spectrum out;
    for (std::size_t k : bins)
    {
        std::complex<double> sum = 0.0;
        for (std::size_t i = 0, idx = 0; i < n; ++i, idx = idx + k >= n ? idx + k - n : idx + k)
            sum += static_cast<double>(x[i]) * w[idx];
        out.push_back(sum);
    }
    return out;
}

std::vector<float> RandomBlock(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> x(n);
    std::generate(x.begin(), x.end(), [&] { return dist(rng); });
    return x;
}

// Bin k of a packed spectrum.
std::complex<double> Packed(const std::vector<float>& y, std::size_t k)
{
    return k == 0 ? y[0] : k == y.size() / 2 ? y[1] : std::complex<double>(y[2 * k], y[2 * k + 1]);
}

// Every implementation under test: each fast kernel this CPU can run, and the
// plain radix-2 transform.
using Transform = std::function<bool(std::vector<float>&, int order)>;
std::vector<std::pair<std::string, Transform>> Transforms()
{
    auto with = [](auto kernel, bool reference) -> Transform {
        return [=](std::vector<float>& x, int order) {
            QVXFFTTables tables;
            int m = 0;
            if (InitFFT(static_cast<int>(x.size()), m, tables, kernel) != 0 || m != order)
                return false;
            return reference ? RealFFTReference(x, order, 1, tables.GetCosineTable()) : RealFFT(x, order, 1, tables);
        };
    };
    std::vector<std::pair<std::string, Transform>> list{{"SSE2", with(QVXFFTTables::Kernel::SSE2, false)},
                                                        {"Reference", with(QVXFFTTables::Kernel::SSE2, true)}};
    if (QVXCpuHasAVX2FMA())
        list.emplace_back("AVX2", with(QVXFFTTables::Kernel::AVX2, false));
    return list;
}

} // namespace

TEST(RealFFT, MatchesDoublePrecisionDFTAtEverySizeFrom16To2p20)
{
    const auto transforms = Transforms();
    for (int order = 4; order <= 20; ++order)
    {
        const std::size_t n = std::size_t{1} << order;
        const auto input = RandomBlock(n, 1000u + static_cast<unsigned>(order));
        // Every bin up to 4096; above, a sample of bins spread over the
        // spectrum, sparser from 2^17 on to keep the direct sums affordable.
        std::vector<std::size_t> bins;
        for (std::size_t k = 0; k <= n / 2; k += n <= 4096 ? 1 : n <= 65536 ? n / 64 - 1 : n / 16 - 1)
            bins.push_back(k);
        const Spectrum direct = DirectDFT(input, bins);
        double largest = 0.0;
        for (const auto& v : direct)
            largest = std::max(largest, std::abs(v));
        for (const auto& [name, run] : transforms)
        {
            auto y = input;
            ASSERT_TRUE(run(y, order)) << name;
            double worst = 0.0;
            for (std::size_t i = 0; i < bins.size(); ++i)
                worst = std::max(worst, std::abs(Packed(y, bins[i]) - direct[i]));
            EXPECT_LE(worst, 1e-6 * largest) << name << " N=" << n;
        }
    }
}

// InitFFT refuses all but powers of two from 16 to 2^20 and then fills
// nothing (the sizes it accepts are set up by the transforms above, whose
// results check its quarter-wave table). A span of blocks is transformed block
// by block, nothing outside it; mismatched orders, counts or tables are refused.
TEST(RealFFT, InitRefusesBadSizesAndTransformsConsecutiveBlocksInsideTheSpanOnly)
{
    constexpr std::size_t n = 512;
    constexpr float guard = 12345.0f;
    QVXFFTTables tables;
    int order = 0;
    ASSERT_EQ(InitFFT(static_cast<int>(n), order, tables), 0);
    for (int size : {8, 3000, 0, -16, 1, 17, 1023, 1 << 21, 3 << 10})
    {
        int m = 99;
        EXPECT_EQ(InitFFT(size, m, tables), 1) << size;
        EXPECT_EQ(std::tuple(m, tables.GetOrder(), tables.GetCosineTable().size()), std::tuple(99, 9, 129u)) << size;
    }

    auto a = RandomBlock(n, 1), b = RandomBlock(n, 2);
    std::vector<float> buffer(n, guard);
    buffer.insert(buffer.end(), a.begin(), a.end());
    buffer.insert(buffer.end(), b.begin(), b.end());
    buffer.push_back(guard);
    ASSERT_TRUE(RealFFT(std::span<float>(buffer).subspan(n, 2 * n), order, 2, tables));
    ASSERT_TRUE(RealFFT(a, order, 1, tables));
    ASSERT_TRUE(RealFFT(b, order, 1, tables));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + n, [](float v) { return v == guard; }));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), buffer.begin() + n));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), buffer.begin() + 2 * n));
    EXPECT_EQ(buffer.back(), guard);

    const auto before = buffer;
    EXPECT_FALSE(RealFFT(buffer, order + 1, 1, tables)); // tables are for order 9
    EXPECT_FALSE(RealFFT(buffer, order, 4, tables));     // three blocks fit
    EXPECT_FALSE(RealFFTReference(buffer, order, 1, std::span<const float>(tables.GetCosineTable()).first(64)));
    QVXFFTTables empty;
    EXPECT_FALSE(RealFFT(buffer, 0, 1, empty));
    EXPECT_TRUE(RealFFT(buffer, order, 0, tables));
    EXPECT_EQ(buffer, before);
}
