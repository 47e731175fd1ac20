// The third-octave band table, the stored coefficient sets (by their frequency
// response, against their designs' closed forms) and the filter bank run directly.

#include "analysis/AntiDenormal.h"
#include "analysis/ThirdOctaveBands.h"
#include "analysis/ThirdOctaveBank.h"
#include "analysis/ThirdOctaveCoefficients.h"
#include "support/FilterResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace
{
using namespace ThirdOctaveBands;

constexpr double kHalfPowerDb = -3.0103;

// Mid-band frequency of band index k (17 is 1 kHz), from the ISO series.
double MidBand(int k)
{
    return 1000.0 * std::exp2((k - 17) / 3.0);
}

TEST(ThirdOctaveBandsTest, TableLabelsAndLookups)
{
    EXPECT_EQ((std::vector<std::string_view>{GetBandLabel(13), GetBandLabel(35), GetBandLabel(12), GetBandLabel(44)}),
              (std::vector<std::string_view>{"20", "3.15k", "ERR", "ERR"}));
    EXPECT_FLOAT_EQ(GetNominalFrequency(22), 3150.0f);
    int axisLabels = 0;
    for (int k = 0; k < kBandCount; ++k)
    {
        axisLabels += GetAxisLabel(k).empty() ? 0 : 1;
        EXPECT_NEAR(GetExactMidBandFrequency(k), MidBand(k), 1e-12 * MidBand(k)) << k;
    }
    EXPECT_EQ(axisLabels, 11); // 31, 63, ..., 16k and 20k
    // A tie (22.5 Hz) goes to the lower band.
    EXPECT_EQ((std::vector{GetNearestBand(22.5f), GetNearestBand(50000.0f), GetNearestBand(1100.0f)}), (std::vector{13, 43, 30}));
    const int rates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000, 0, 22050, 47999, 64000, 384000};
    for (std::size_t i = 0; i < std::size(rates); ++i)
        EXPECT_EQ(IsSupportedSampleRate(rates[i]), i < 7) << rates[i];
}

// Work order: the top band, then three bands per octave, the rate halved (-1)
// before each next octave. Each band integrates 50 ms at its octave's rate;
// its filter puts 0 dB on its mid-band (the top high-pass: -3 dB at fm 2^(-1/6)).
TEST(ThirdOctaveBankTest, PlanLengthsAndFiltersPerRate)
{
    using Entries = std::vector<std::int32_t>;
    const Entries plan31 = {30, 29, 28, 27, -1, 26, 25, 24, -1, 23, 22, 21, -1, 20, 19, 18, -1, 17, 16, 15, -1,
                            14, 13, 12, -1, 11, 10, 9,  -1, 8,  7,  6,  -1, 5,  4,  3,  -1, 2,  1,  0};
    const Entries plan30 = {29, 28, 27, 26, -1, 25, 24, 23, -1, 22, 21, 20, -1, 19, 18, 17, -1, 16, 15, 14, -1,
                            13, 12, 11, -1, 10, 9,  8,  -1, 7,  6,  5,  -1, 4,  3,  2,  -1, 1,  0};
    ThirdOctaveBankPlan plan;
    ThirdOctaveChannelBank bank;
    for (const auto& [rate, expected] : {std::pair{48000, plan31}, std::pair{44100, plan31}, std::pair{32000, plan30}})
    {
        SCOPED_TRACE(rate);
        ASSERT_TRUE(BuildThirdOctaveBank(rate, plan, bank));
        ASSERT_EQ(plan.mPlan, expected);
        const int top = expected.front();
        ASSERT_EQ(std::pair(plan.mBandCount, bank.mBandFilters.size()), std::pair(top + 1, static_cast<std::size_t>(top + 1)));
        double octaveRate = rate;
        for (const std::int32_t k : expected)
        {
            octaveRate /= k < 0 ? 2.0 : 1.0;
            if (k < 0)
                continue;
            SCOPED_TRACE(k);
            const BandFilter& f = bank.mBandFilters[static_cast<std::size_t>(k)];
            const auto length = static_cast<std::int32_t>(std::floor(octaveRate / 20.0));
            EXPECT_FLOAT_EQ(f.mInvLength * static_cast<float>(length), 1.0f);
            EXPECT_EQ(std::tuple(f.mLength, f.mOrder, plan.mRoutines[static_cast<std::size_t>(k)]),
                      std::tuple(length, k == top ? 3 : 6, k == top ? &ProcessBandGeneral : &ProcessBandSixthOrder));
            const std::size_t taps = k == top ? 4 : 7;
            const std::span<const float> b(f.mB, taps), a(f.mA, taps);
            EXPECT_NEAR(ResponseDb(b, a, MidBand(k) * (k == top ? std::exp2(-1.0 / 6.0) : 1.0), octaveRate),
                        k == top ? kHalfPowerDb : 0.0, 0.01);
        }
        EXPECT_EQ(std::pair(bank.mDecimators.size(), bank.mDecimatorPhases), std::pair(std::size_t{9}, std::vector<std::int32_t>(9, 0)));
    }
    EXPECT_FALSE(BuildThirdOctaveBank(96000, plan, bank)); // built at its base rate only
    EXPECT_TRUE(plan.mBandCount == 0 && plan.mPlan.empty() && bank.mBandFilters.empty());
}

// The largest distance in dB, where above floorDb, between a stored filter and
// an analogue prototype |H|^2 = 1 / (1 + x(W)^2) at W = tan(pi f / fs).
template <class B, class A, class X>
double DeviationFromPrototypeDb(const B& b, const A& a, double fs, double floorDb, X x)
{
    double worst = 0.0;
    for (double f = 5.0; f < 0.499 * fs; f += fs / 4000.0)
    {
        const double ideal = -10.0 * std::log10(1.0 + std::pow(x(std::tan(std::numbers::pi * f / fs)), 2.0));
        if (ideal > floorDb)
            worst = std::max(worst, std::fabs(ResponseDb(b, a, f, fs) - ideal));
    }
    return worst;
}

// Bilinear designs with pre-warped edges: each stored band-pass and high-pass
// follows its third-order Butterworth prototype at W = tan(pi f / fs), edges
// from the band definition alone (f1 f2 = fm^2, f2 - f1 = fm / Qd; top band
// fm 2^(-1/6)), within 5e-4 dB down to -80 dB: float rounding stays under
// 2e-4, a coefficient off by 1e-4 of its value goes past. The decimator: half
// power where stated, passband flat within 0.05 dB, stopband at 137 dB. Each
// pre-decimation lowpass follows its sixth-order Chebyshev type II prototype,
// x = 1 / (e T6(Ws / W)) with 60 dB at the stopband edge Ws, to 1e-6 dB.
TEST(ThirdOctaveCoefficientsTest, EverySetFollowsItsPrototypeAtEveryFrequency)
{
    struct Rule { int rate, top; double decimatorHalfPower; };
    const double qr = 1.0 / (std::exp2(1.0 / 6.0) - std::exp2(-1.0 / 6.0));
    const double qd = qr * (std::numbers::pi / 6.0) / std::sin(std::numbers::pi / 6.0);
    for (const Rule rule : {Rule{32000, 29, 7073.0}, Rule{44100, 30, 8941.5}, Rule{48000, 30, 8966.2}})
    {
        SCOPED_TRACE(rule.rate);
        const double fs = rule.rate;
        const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(rule.rate);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->mTopBand, rule.top);
        const auto warp = [fs](double f) { return std::tan(std::numbers::pi * f / fs); };
        const double cut = warp(MidBand(rule.top) * std::exp2(-1.0 / 6.0));
        EXPECT_LT(DeviationFromPrototypeDb(set->mHighPassB, set->mHighPassA, fs, -80.0,
                                           [cut](double w) { return std::pow(cut / w, 3.0); }),
                  5e-4);
        for (std::size_t design = 0; design < 3; ++design)
        {
            SCOPED_TRACE(design);
            const double fm = MidBand(rule.top - 1 - static_cast<int>(design));
            const double width = fm / qd;
            const double f1 = (std::sqrt(width * width + 4.0 * fm * fm) - width) / 2.0;
            const double w1 = warp(f1), w2 = warp(f1 + width);
            const auto x = [&](double w) { return std::pow((w * w - w1 * w2) / (w * (w2 - w1)), 3.0); };
            EXPECT_LT(DeviationFromPrototypeDb(set->mBandPassB[design], set->mBandPassA[design], fs, -80.0, x), 5e-4);
        }

        const auto decimatorDb = [&](double f) { return ResponseDb(set->mDecimatorB, set->mDecimatorA, f, fs); };
        EXPECT_NEAR(decimatorDb(rule.decimatorHalfPower), kHalfPowerDb, 0.005);
        double worstPass = 0.0, worstStop = -1000.0;
        for (double f = 0.0; f < rule.decimatorHalfPower * 0.9; f += 10.0)
            worstPass = std::max(worstPass, std::fabs(decimatorDb(f)));
        for (double f = fs * 0.42; f < fs / 2.0 - 1.0; f += 5.0)
            worstStop = std::max(worstStop, decimatorDb(f));
        EXPECT_LT(worstPass, 0.0505);
        EXPECT_LT(worstStop, -137.0);
    }

    const double e = 1.0 / std::sqrt(1e6 - 1.0);
    const auto chebyshev6 = [](double x) { return x <= 1.0 ? std::cos(6.0 * std::acos(x)) : std::cosh(6.0 * std::acosh(x)); };
    for (const auto& [rate, stopFraction] : {std::pair{88200, 0.325}, {96000, 0.33}, {176400, 0.2}, {192000, 0.2}})
    {
        SCOPED_TRACE(rate);
        const ThirdOctavePreDecimationSet* set = FindThirdOctavePreDecimation(rate);
        ASSERT_NE(set, nullptr);
        const double stop = std::tan(std::numbers::pi * stopFraction);
        EXPECT_LT(DeviationFromPrototypeDb(set->mB, set->mA, rate, -100.0, [&](double w) { return 1.0 / (e * chebyshev6(stop / w)); }),
                  1e-6);
    }
    EXPECT_EQ(FindThirdOctavePreDecimation(48000), nullptr);
}

// y = gain x (gain 1, 1/2 or 1/4), so the outputs are known.
BandFilter PassThrough(int order, int length, int gain = 0)
{
    static const float gains[3][8] = {{1.0f}, {0.5f}, {0.25f}};
    static const float unity[8] = {1.0f};
    BandFilter filter{};
    filter.mB = gains[gain];
    filter.mA = unity;
    filter.mOrder = order;
    filter.mLength = length;
    filter.mInvLength = 1.0f / static_cast<float>(length);
    return filter;
}

// A block publishes the largest RMS of the windows it completes; its first
// window replaces what the last block left even when smaller; a block that
// completes none leaves it. Filters 0-2: the top band's routine, alone and in
// pairs; 3-12: a sixth-order band alone, an octave's three, and two channels' octaves.
TEST(ThirdOctaveBankTest, RmsHoldsTheLargestWindowOfEachBlockInEveryRoutineAndPeakTrailsByHalfTheKernel)
{
    // Windows of 4 samples; each block with the RMS it publishes at gain 1.
    const std::vector<float> blocks[] = {
        {4, -4, 4, -4, 1, -1, 1, -1, 1, 1}, // 4, then 1; two samples of the next window
        {1, 1},                             // completes 1
        {2},                                // none completes
        {2, 2, 2, 3, -3, 3, -3, 2, 2},      // 2, then 3
    };
    const float published[] = {4.0f, 1.0f, 1.0f, 3.0f};
    std::vector<BandFilter> f;
    for (int i = 0; i < 13; ++i)
        f.push_back(PassThrough(i < 3 ? 3 : 6, 4, i % 3));
    BandFilter* octaves[3][3] = {{&f[4], &f[5], &f[6]}, {&f[7], &f[8], &f[9]}, {&f[10], &f[11], &f[12]}};
    float peaks[6];
    for (std::size_t b = 0; b < std::size(blocks); ++b)
    {
        const std::span<const float> x = blocks[b];
        ProcessBandGeneral(f[0], x);
        ProcessBandGeneralPair(f[1], f[2], x, x, peaks);
        ProcessBandSixthOrder(f[3], x);
        ProcessBandGroupSixthOrder(octaves[0], 3, x, peaks);
        ProcessBandGroupSixthOrderPair(octaves[1], octaves[2], 3, x, x, peaks, peaks + 3);
        for (std::size_t i = 0; i < f.size(); ++i)
            EXPECT_FLOAT_EQ(f[i].mRms, published[b] / static_cast<float>(1 << (i % 3)))
                << "block " << b << ", filter " << i;
    }
    EXPECT_EQ(ProcessBandGeneral(f[0], {}), 0.0f);

    // The peak of a block covers the outputs up to 8 samples (half the kernel)
    // before its end, whatever their sign; the rest count in the next blocks,
    // however the signal is cut. Until then only the kernel's far tail sees them.
    for (const bool general : {false, true})
    {
        SCOPED_TRACE(general);
        BandFilter filter = PassThrough(general ? 3 : 6, 4);
        const auto run = [&](std::span<const float> x) {
            return general ? ProcessBandGeneral(filter, x) : ProcessBandSixthOrder(filter, x);
        };
        std::vector<float> spike(300, 0.0f);
        spike.back() = -1.0f;
        EXPECT_LT(run(spike), 0.01f);
        EXPECT_LT(run(std::vector<float>(7)), 0.01f);
        EXPECT_FLOAT_EQ(run(std::vector<float>(1)), 1.0f);
    }
}

// Two channels side by side give, to the bit, what each gives alone: in step,
// and with one channel ahead (the pair falls back to one at a time). Odd block
// sizes cross the kernels' chunks and leave low octaves empty in some blocks.
TEST(ThirdOctaveBankTest, PairOfChannelsMatchesEachChannelAlone)
{
    // Everything a channel carries from one block to the next, in one list.
    const auto state = [](const ThirdOctaveChannelBank& bank) {
        std::vector<float> all(bank.mDecimatorPhases.begin(), bank.mDecimatorPhases.end());
        const auto add = [&all](const auto& values) { all.insert(all.end(), values.begin(), values.end()); };
        for (const BandFilter& f : bank.mBandFilters)
        {
            add(f.mInput);
            add(f.mOutput);
            add(f.mRecent);
            add(std::array{f.mRms, f.mAccumulator, static_cast<float>(f.mAccumulated)});
        }
        for (const HalfRateDecimator& d : bank.mDecimators)
        {
            add(d.mInput);
            add(d.mOutput);
        }
        return all;
    };
    for (const int rate : {32000, 44100, 48000})
    {
        // Two tones in each channel.
        std::vector<float> x[2];
        for (int n = 0; n < 3400; ++n)
        {
            const double w = 2.0 * std::numbers::pi * n / rate;
            x[0].push_back(static_cast<float>(0.5 * std::sin(1000.0 * w) + 0.3 * std::sin(47.0 * w)));
            x[1].push_back(static_cast<float>(0.7 * std::sin(15000.0 * w) + 0.2 * std::sin(260.0 * w)));
        }
        for (const std::size_t lead : {0u, 37u})
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, channel 1 ahead by " << lead);
            ThirdOctaveBankPlan plan;
            ThirdOctaveChannelBank built;
            ASSERT_TRUE(BuildThirdOctaveBank(rate, plan, built));
            ThirdOctaveChannelBank pair[2] = {built, built}, alone[2] = {built, built};
            std::vector<float> scratch[2] = {std::vector<float>(700), std::vector<float>(700)};
            for (ThirdOctaveChannelBank* bank : {&pair[1], &alone[1]})
                RunThirdOctaveBank(plan, *bank, std::span(x[1]).first(lead), scratch[1].data(), [](std::int32_t, float, const BandFilter&) {});
            std::size_t n = 0;
            for (const std::size_t size : {1, 7, 300, 699, 2, 512, 3, 256, 257, 640, 5, 1, 600})
            {
                const std::span<const float> in[2] = {std::span(x[0]).subspan(n, size), std::span(x[1]).subspan(lead + n, size)};
                n += size;
                std::array<std::vector<float>, 2> pairPeaks{std::vector<float>(31, -1.0f), std::vector<float>(31, -1.0f)};
                auto alonePeaks = pairPeaks;
                RunThirdOctaveBankPair(plan, pair[0], pair[1], in[0], in[1], scratch[0].data(), scratch[1].data(),
                                       [&](std::int32_t c, std::int32_t k, float peak, const BandFilter&) {
                                           pairPeaks[c][static_cast<std::size_t>(k)] = peak;
                                       });
                for (int c = 0; c < 2; ++c)
                    RunThirdOctaveBank(plan, alone[c], in[c], scratch[c].data(), [&](std::int32_t k, float peak, const BandFilter&) {
                        alonePeaks[c][static_cast<std::size_t>(k)] = peak;
                    });
                EXPECT_EQ(pairPeaks, alonePeaks) << "block of " << size;
            }
            EXPECT_EQ(std::pair(state(pair[0]), state(pair[1])), std::pair(state(alone[0]), state(alone[1])));
        }
    }
}

TEST(ThirdOctaveBankTest, DecimatorAndCompactionCarryTheirPhaseAcrossBlocks)
{
    const auto compact = [](std::vector<float> x, std::int32_t factor, std::int32_t& phase) {
        x.resize(static_cast<std::size_t>(CompactByFactor(x.data(), static_cast<std::int32_t>(x.size()), factor, phase)));
        return x;
    };
    std::int32_t phase = 0;
    EXPECT_EQ(compact({1, 2, 3}, 2, phase), (std::vector<float>{2}));
    EXPECT_EQ(compact({4, 5, 6}, 2, phase), (std::vector<float>{4, 6}));
    phase = 0;
    EXPECT_EQ(compact({1, 2, 3, 4, 5, 6, 7, 8, 9}, 4, phase), (std::vector<float>{4, 8}));
    EXPECT_EQ(phase, 1);

    // In place, 5 then 5 inputs give 2 then 3 outputs, as one block of 10 does.
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(48000);
    HalfRateDecimator split{set->mDecimatorB.data(), set->mDecimatorA.data(), {}, {}, 7};
    HalfRateDecimator one = split;
    std::vector<float> whole{0.0f, 0.3f, 0.56f, 0.78f, 0.93f, 1.0f, 0.97f, 0.86f, 0.68f, 0.43f}; // a slow sine
    std::vector<float> a(whole.begin(), whole.begin() + 5), b(whole.begin() + 5, whole.end());
    std::int32_t wholePhase = 0, splitPhase = 0;
    ASSERT_EQ(ProcessHalfRateDecimator(one, wholePhase, whole, whole.data()), 5);
    ASSERT_EQ(ProcessHalfRateDecimator(split, splitPhase, a, a.data()), 2);
    EXPECT_EQ(splitPhase, 1);
    ASSERT_EQ(ProcessHalfRateDecimator(split, splitPhase, b, b.data()), 3);
    a.resize(2);
    a.insert(a.end(), b.begin(), b.begin() + 3);
    whole.resize(5);
    EXPECT_EQ(a, whole);
}

// Tiny values of either sign, far from subnormal, repeatable from a reset.
TEST(AntiDenormalTest, TinyNormalValuesRepeatableFromTheStartState)
{
    ResetAntiDenormal();
    std::vector<float> first(1000);
    for (float& v : first)
    {
        v = NextAntiDenormal();
        ASSERT_TRUE(std::fabs(v) > 6.7e-21f && std::fabs(v) < 1.36e-20f) << v;
    }
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](float v) { return v < 0.0f; }));

    // From a reset, runs of any length take the same sequence and leave the generator where steps would.
    ResetAntiDenormal();
    std::size_t taken = 0;
    for (std::uint32_t length : {1u, 0u, 7u, 256u, 513u, 3u})
    {
        AntiDenormalRun run(length);
        for (std::uint32_t i = 0; i < length; ++i, ++taken)
            ASSERT_EQ(run.Next(), first[taken]) << taken;
    }
    EXPECT_EQ(NextAntiDenormal(), first[taken]);
    ResetAntiDenormal();
}
} // namespace
