// The third-octave band table, the stored coefficient sets (checked against
// the reference rows and, by their own frequency response, against the design
// rules) and the filter bank run directly.

#include "analysis/AntiDenormal.h"
#include "analysis/ThirdOctaveBands.h"
#include "analysis/ThirdOctaveBank.h"
#include "analysis/ThirdOctaveCoefficients.h"
#include "support/FilterResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace
{
using namespace ThirdOctaveBands;

constexpr double kHalfPowerDb = -3.0103;

TEST(ThirdOctaveBandsTest, TableLabelsAndLookups)
{
    EXPECT_EQ(GetBandLabel(13), "20");
    EXPECT_EQ(GetBandLabel(35), "3.15k");
    EXPECT_EQ(std::pair(GetBandLabel(12), GetBandLabel(44)), std::pair(std::string_view("ERR"), std::string_view("ERR")));
    EXPECT_FLOAT_EQ(GetNominalFrequency(22), 3150.0f);
    int axisLabels = 0;
    for (int k = 0; k < kBandCount; ++k)
        axisLabels += GetAxisLabel(k).empty() ? 0 : 1;
    EXPECT_EQ(axisLabels, 11); // 31, 63, ..., 16k and 20k
    EXPECT_DOUBLE_EQ(GetExactMidBandFrequency(17), 1000.0);
    EXPECT_NEAR(GetExactMidBandFrequency(20), 2000.0, 1e-9);
    EXPECT_EQ(GetNearestBand(22.5f), 13); // a tie goes to the lower band
    EXPECT_EQ(GetNearestBand(50000.0f), 43);
    EXPECT_EQ(GetNearestBand(1100.0f), 30);
    for (int rate : {32000, 44100, 48000, 88200, 96000, 176400, 192000})
        EXPECT_TRUE(IsSupportedSampleRate(rate)) << rate;
    for (int rate : {0, 22050, 47999, 64000, 384000})
        EXPECT_FALSE(IsSupportedSampleRate(rate)) << rate;
}

// The top band (the high-pass) first, then three bands per octave with the
// rate halved before each next octave; every band integrates 50 ms at its
// octave's rate.
TEST(ThirdOctaveBankTest, PlanAndIntegrationLengthsPerRate)
{
    ThirdOctaveBankPlan plan;
    ThirdOctaveChannelBank bank;
    for (const auto& [rate, top] : {std::pair{48000, 30}, std::pair{44100, 30}, std::pair{32000, 29}})
    {
        SCOPED_TRACE(rate);
        ASSERT_TRUE(BuildThirdOctaveBank(rate, plan, bank));
        ASSERT_EQ(plan.mBandCount, top + 1);
        std::vector<std::int32_t> expected;
        for (int k = top; k >= 0; --k)
        {
            const int octave = (top - 1 - k) / 3;
            if (k < top && octave != (top - 2 - k) / 3)
                expected.push_back(-1);
            expected.push_back(k);
            const BandFilter& f = bank.mBandFilters[static_cast<std::size_t>(k)];
            EXPECT_EQ(f.mLength, (rate / 20) >> octave) << k;
            EXPECT_FLOAT_EQ(f.mInvLength, 1.0f / static_cast<float>(f.mLength)) << k;
            EXPECT_EQ(f.mOrder, k == top ? 3 : 6) << k;
            EXPECT_EQ(plan.mRoutines[static_cast<std::size_t>(k)], k == top ? &ProcessBandGeneral : &ProcessBandSixthOrder);
        }
        EXPECT_EQ(plan.mPlan, expected);
        EXPECT_EQ(bank.mDecimatorPhases, std::vector<std::int32_t>(9, 0));
    }
    EXPECT_FALSE(BuildThirdOctaveBank(96000, plan, bank)); // built at its base rate only
    EXPECT_TRUE(plan.mBandCount == 0 && plan.mPlan.empty() && bank.mBandFilters.empty());
}

// The reference rows of the 48000 Hz set and of the 96000 Hz pre-decimation.
TEST(ThirdOctaveCoefficientsTest, StoredReferenceRowsMatchTheirPrintedDigits)
{
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(48000);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->mTopBand, 30);
    auto expectRow = [](std::span<const float> stored, std::initializer_list<float> printed) {
        ASSERT_EQ(stored.size(), printed.size());
        std::size_t i = 0;
        for (float v : printed)
            EXPECT_EQ(stored[i++], v) << "coefficient " << i - 1;
    };
    expectRow(set->mHighPassB, {0.0322228856f, -0.0966686606f, 0.0966686606f, -0.0322228856f});
    expectRow(set->mHighPassA, {1.0f, 1.44891322f, 0.90219605f, 0.195499748f});
    expectRow(set->mBandPassB[0], {0.00821465161f, 0, -0.0246439539f, 0, 0.0246439539f, 0, -0.00821465161f});
    expectRow(set->mBandPassA[0],
              {1.0f, 2.66765475f, 4.47953033f, 4.52697611f, 3.2861793f, 1.42649615f, 0.392570943f});
    expectRow(set->mBandPassB[1], {0.00443816977f, 0, -0.0133145088f, 0, 0.0133145088f, 0, -0.00443816977f});
    expectRow(set->mBandPassA[1],
              {1.0f, 0.543821812f, 2.36790085f, 0.842176378f, 1.85888398f, 0.331706047f, 0.477372289f});
    expectRow(set->mBandPassB[2], {0.00236632209f, 0, -0.00709896628f, 0, 0.00709896628f, 0, -0.00236632209f});
    expectRow(set->mBandPassA[2],
              {1.0f, -1.31972682f, 3.0016458f, -2.23572326f, 2.47328472f, -0.892513275f, 0.556761205f});
    expectRow(set->mDecimatorB, {0.00126475678f, 0.00756855635f, 0.0205171052f, 0.0325323418f, 0.0325323418f,
                                 0.0205171052f, 0.00756855635f, 0.00126475678f});
    expectRow(set->mDecimatorA, {1.0f, -3.23778868f, 5.7366972f, -6.47743177f, 4.95994711f, -2.5393014f,
                                 0.803217411f, -0.121574298f});

    const ThirdOctavePreDecimationSet* pre = FindThirdOctavePreDecimation(96000);
    ASSERT_NE(pre, nullptr);
    const double b[] = {0.04347912906055, 0.1882168319737, 0.39332026773381, 0.49483224944053,
                        0.39332026773381, 0.1882168319737, 0.04347912906055};
    const double a[] = {1, -0.22849670683033, 0.88090267847301, -0.0666692975757,
                        0.15475064821886, 0.00115825750035, 0.00321912719045};
    for (std::size_t i = 0; i < 7; ++i)
    {
        EXPECT_NEAR(pre->mB[i], b[i], 1e-14) << i;
        EXPECT_NEAR(pre->mA[i], a[i], 1e-14) << i;
    }
}

// Every base-rate set, by its own response: band-passes 0 dB at mid-band and
// half power at the design edges, the top high-pass half power at
// fm(top) 2^(-1/6) and 0 dB at half the rate, the decimator half power at its
// stated frequency with a flat passband and a deep stopband.
TEST(ThirdOctaveCoefficientsTest, EverySetMeetsTheDesignRules)
{
    struct Rule
    {
        int rate;
        int top;
        double decimatorHalfPower;
    };
    const double qr = 1.0 / (std::exp2(1.0 / 6.0) - std::exp2(-1.0 / 6.0));
    const double qd = qr * (std::numbers::pi / 6.0) / std::sin(std::numbers::pi / 6.0);
    for (const Rule rule : {Rule{32000, 29, 7073.0}, Rule{44100, 30, 8941.5}, Rule{48000, 30, 8966.2}})
    {
        SCOPED_TRACE(rule.rate);
        const double fs = rule.rate;
        const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(rule.rate);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->mTopBand, rule.top);

        const double hp = GetExactMidBandFrequency(rule.top) * std::exp2(-1.0 / 6.0);
        EXPECT_NEAR(ResponseDb(set->mHighPassB, set->mHighPassA, hp, fs), kHalfPowerDb, 0.01);
        EXPECT_NEAR(ResponseDb(set->mHighPassB, set->mHighPassA, fs / 2.0, fs), 0.0, 0.01);
        EXPECT_LT(ResponseDb(set->mHighPassB, set->mHighPassA, hp / 2.0, fs), -17.0);
        // Numerator g (1, -3, 3, -1).
        EXPECT_FLOAT_EQ(set->mHighPassB[1], -3.0f * set->mHighPassB[0]);

        for (int design = 0; design < 3; ++design)
        {
            SCOPED_TRACE(design);
            const double fm = GetExactMidBandFrequency(rule.top - 1 - design);
            const double width = fm / qd;
            const double f1 = (-width + std::sqrt(width * width + 4.0 * fm * fm)) / 2.0;
            const auto& b = set->mBandPassB[static_cast<std::size_t>(design)];
            const auto& a = set->mBandPassA[static_cast<std::size_t>(design)];
            EXPECT_NEAR(f1 * (f1 + width) / (fm * fm), 1.0, 1e-12);
            EXPECT_NEAR((f1 + width) / f1, 1.24692, 1e-4);
            EXPECT_NEAR(ResponseDb(b, a, fm, fs), 0.0, 0.1);
            EXPECT_NEAR(ResponseDb(b, a, f1, fs), kHalfPowerDb, 0.01);
            EXPECT_NEAR(ResponseDb(b, a, f1 + width, fs), kHalfPowerDb, 0.01);
            // Two bands away is well down the skirts.
            EXPECT_LT(ResponseDb(b, a, fm * std::exp2(-2.0 / 3.0), fs), -25.0);
            if (fm * std::exp2(2.0 / 3.0) < 0.45 * fs)
            {
                EXPECT_LT(ResponseDb(b, a, fm * std::exp2(2.0 / 3.0), fs), -25.0);
            }
            EXPECT_FLOAT_EQ(b[2], -3.0f * b[0]);
            EXPECT_EQ(b[1], 0.0f);
        }

        const auto& db = set->mDecimatorB;
        const auto& da = set->mDecimatorA;
        EXPECT_NEAR(ResponseDb(db, da, rule.decimatorHalfPower, fs), kHalfPowerDb, 0.02);
        double worstPass = 0.0;
        for (double f = 0.0; f < rule.decimatorHalfPower * 0.9; f += 10.0)
            worstPass = std::max(worstPass, std::fabs(ResponseDb(db, da, f, fs)));
        EXPECT_LT(worstPass, 0.06);
        double worstStop = -1000.0;
        for (double f = fs * 0.42; f < fs / 2.0 - 1.0; f += 5.0)
            worstStop = std::max(worstStop, ResponseDb(db, da, f, fs));
        EXPECT_LT(worstStop, -130.0);
    }
}

TEST(ThirdOctaveCoefficientsTest, PreDecimationFiltersMeetTheDesignRules)
{
    struct Rule
    {
        int rate;
        double stopFraction;
        double halfPower;
    };
    for (const Rule rule : {Rule{88200, 0.325, 19800.0}, Rule{96000, 0.33, 22100.0}, Rule{176400, 0.2, 20350.0},
                            Rule{192000, 0.2, 22150.0}})
    {
        SCOPED_TRACE(rule.rate);
        const double fs = rule.rate;
        const ThirdOctavePreDecimationSet* set = FindThirdOctavePreDecimation(rule.rate);
        ASSERT_NE(set, nullptr);
        EXPECT_NEAR(ResponseDb(set->mB, set->mA, 0.0, fs), 0.0, 1e-9);
        EXPECT_NEAR(ResponseDb(set->mB, set->mA, rule.halfPower, fs), kHalfPowerDb, 0.1);
        double worstStop = -1000.0;
        for (double f = rule.stopFraction * fs; f < fs / 2.0 - 1.0; f += 20.0)
            worstStop = std::max(worstStop, ResponseDb(set->mB, set->mA, f, fs));
        EXPECT_LT(worstStop, -59.99);
        EXPECT_GT(worstStop, -60.5); // equiripple at 60 dB, not more
    }
    EXPECT_EQ(FindThirdOctavePreDecimation(176400), FindThirdOctavePreDecimation(192000));
    EXPECT_EQ(FindThirdOctavePreDecimation(48000), nullptr);
}

// Runs a sine through a freshly built bank, skipping the first half of the
// signal, and keeps per band the largest RMS of the second half.
std::vector<float> RunSine(int rate, double frequency, double seconds = 0.4, int block = 512)
{
    ThirdOctaveBankPlan plan;
    ThirdOctaveChannelBank bank;
    BuildThirdOctaveBank(rate, plan, bank);
    std::vector<float> rms(31, 0.0f);
    std::vector<float> input(static_cast<std::size_t>(block));
    std::vector<float> scratch(input.size());
    const long total = static_cast<long>(seconds * rate);
    long n = 0;
    while (n < total)
    {
        for (float& v : input)
            v = static_cast<float>(std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(n++) / rate));
        const bool settled = n > total / 2;
        RunThirdOctaveBank(plan, bank, input, scratch.data(), [&](std::int32_t k, float, const BandFilter& f) {
            if (settled)
                rms[static_cast<std::size_t>(k)] = std::max(rms[static_cast<std::size_t>(k)], f.mRms);
        });
    }
    return rms;
}

// A sine at a band's exact mid-band frequency reads its RMS in that band.
// Below 63 Hz the 50 ms window holds only 3 to 9 samples of the octave's rate,
// so each window's RMS depends on where the samples fall in the cycle and the
// largest of them (what a block publishes) reads up to about 2 dB high.
TEST(ThirdOctaveBankTest, MidBandSineReadsItsRmsInItsOwnBand)
{
    for (int rate : {32000, 44100, 48000})
    {
        SCOPED_TRACE(rate);
        const int bands = rate == 32000 ? 29 : 31; // 16 kHz is the Nyquist frequency at 32000
        for (int k = 0; k < bands; ++k)
        {
            SCOPED_TRACE(k);
            const std::vector<float> rms = RunSine(rate, GetExactMidBandFrequency(k), k < 9 ? 0.5 : 0.2);
            const double db = 20.0 * std::log10(rms[static_cast<std::size_t>(k)] / std::sqrt(0.5));
            if (k >= 5)
            {
                EXPECT_NEAR(db, 0.0, 0.5);
            }
            else
            {
                EXPECT_GT(db, -0.5);
                EXPECT_LT(db, 2.5);
            }
        }
    }
}

// Filters that pass their input through (y = x), so the outputs are known.
BandFilter PassThrough(int order, int length)
{
    static const float unity[] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    BandFilter filter{};
    filter.mB = filter.mA = unity;
    filter.mOrder = order;
    filter.mLength = length;
    filter.mInvLength = 1.0f / static_cast<float>(length);
    return filter;
}

TEST(ThirdOctaveBankTest, RmsIsTheLargestWindowOfTheBlockAndStaysWithoutOne)
{
    BandFilter f = PassThrough(6, 4);
    // Windows of 4: RMS 2, then 1; the block publishes 2.
    const float block1[] = {2, -2, 2, -2, 1, -1, 1, -1, 3, 3};
    ProcessBandSixthOrder(f, block1);
    EXPECT_FLOAT_EQ(f.mRms, 2.0f);
    EXPECT_EQ(f.mAccumulated, 2);
    // Completes the window (3, 3, 0.5, 0.5): a smaller first window still replaces.
    const float block2[] = {0.5f, 0.5f};
    ProcessBandSixthOrder(f, block2);
    EXPECT_NEAR(f.mRms, std::sqrt((9.0f + 9.0f + 0.25f + 0.25f) / 4.0f), 1e-6f);
    const float rms = f.mRms;
    const float block3[] = {5.0f};
    ProcessBandSixthOrder(f, block3); // no window completes
    EXPECT_EQ(f.mRms, rms);
    EXPECT_EQ(ProcessBandSixthOrder(f, {}), 0.0f);

    BandFilter g = PassThrough(3, 100);
    const float negative[] = {0.5f, -4.0f, 1.0f};
    ProcessBandGeneral(g, negative);
    EXPECT_FLOAT_EQ(g.mInput[0], 1.0f);
    EXPECT_FLOAT_EQ(g.mInput[1], -4.0f);
}

// The peak of a block covers the outputs up to 8 samples (half the kernel)
// before its end, whatever their sign; the rest count in the next blocks,
// however the signal is cut. Until then only the kernel's far tail sees them.
TEST(ThirdOctaveBankTest, PeakTrailsByHalfTheKernelAcrossBlocks)
{
    for (const bool general : {false, true})
    {
        SCOPED_TRACE(general);
        const auto run = [general](BandFilter& f, std::span<const float> x) {
            return general ? ProcessBandGeneral(f, x) : ProcessBandSixthOrder(f, x);
        };
        BandFilter f = PassThrough(general ? 3 : 6, 4);
        std::vector<float> spike(300, 0.0f);
        spike.back() = -1.0f;
        EXPECT_LT(run(f, spike), 0.01f);
        const float seven[7] = {};
        EXPECT_LT(run(f, seven), 0.01f);
        const float one[1] = {};
        EXPECT_FLOAT_EQ(run(f, one), 1.0f);
    }
}

// Two channels run side by side give, to the bit, what each gives alone: in
// step, and after one channel ran alone for a while (then the pair falls back
// to one channel at a time where it must). Blocks of odd sizes cross the
// kernels' chunks and leave the low octaves with no sample in some blocks.
TEST(ThirdOctaveBankTest, PairOfChannelsMatchesEachChannelAlone)
{
    const auto expectSame = [](const ThirdOctaveChannelBank& a, const ThirdOctaveChannelBank& b) {
        ASSERT_EQ(a.mBandFilters.size(), b.mBandFilters.size());
        for (std::size_t k = 0; k < a.mBandFilters.size(); ++k)
        {
            const BandFilter& x = a.mBandFilters[k];
            const BandFilter& y = b.mBandFilters[k];
            EXPECT_TRUE(x.mInput == y.mInput && x.mOutput == y.mOutput && x.mRecent == y.mRecent) << "band " << k;
            EXPECT_TRUE(x.mRms == y.mRms && x.mAccumulator == y.mAccumulator && x.mAccumulated == y.mAccumulated)
                << "band " << k;
        }
        for (std::size_t d = 0; d < a.mDecimators.size(); ++d)
            EXPECT_TRUE(a.mDecimators[d].mInput == b.mDecimators[d].mInput &&
                        a.mDecimators[d].mOutput == b.mDecimators[d].mOutput)
                << "decimator " << d;
        EXPECT_EQ(a.mDecimatorPhases, b.mDecimatorPhases);
    };
    for (const int rate : {32000, 44100, 48000})
    {
        for (const int lead : {0, 37})
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, channel 1 ahead by " << lead);
            ThirdOctaveBankPlan plan;
            ThirdOctaveChannelBank built;
            ASSERT_TRUE(BuildThirdOctaveBank(rate, plan, built));
            ThirdOctaveChannelBank pair[2] = {built, built}, alone[2] = {built, built};
            std::vector<float> scratch0(700), scratch1(700);
            const auto sample = [rate](int channel, long n) {
                const double t = static_cast<double>(n) / rate;
                return static_cast<float>(channel == 0 ? 0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * t) +
                                                             0.3 * std::sin(2.0 * std::numbers::pi * 47.0 * t)
                                                       : 0.7 * std::sin(2.0 * std::numbers::pi * 15000.0 * t) +
                                                             0.2 * std::sin(2.0 * std::numbers::pi * 260.0 * t));
            };
            std::vector<float> lead1(static_cast<std::size_t>(lead));
            for (int i = 0; i < lead; ++i)
                lead1[static_cast<std::size_t>(i)] = sample(1, -lead + i);
            const auto ignore = [](std::int32_t, float, const BandFilter&) {};
            RunThirdOctaveBank(plan, pair[1], lead1, scratch1.data(), ignore);
            RunThirdOctaveBank(plan, alone[1], lead1, scratch1.data(), ignore);

            long n = 0;
            for (const int size : {1, 7, 300, 699, 2, 512, 3, 256, 257, 640, 5, 1, 600})
            {
                std::vector<float> in0(static_cast<std::size_t>(size)), in1(in0.size());
                for (int i = 0; i < size; ++i, ++n)
                {
                    in0[static_cast<std::size_t>(i)] = sample(0, n);
                    in1[static_cast<std::size_t>(i)] = sample(1, n);
                }
                std::vector<float> pairPeaks[2] = {std::vector<float>(31, -1.0f), std::vector<float>(31, -1.0f)};
                std::vector<float> alonePeaks[2] = {pairPeaks[0], pairPeaks[1]};
                RunThirdOctaveBankPair(plan, pair[0], pair[1], in0, in1, scratch0.data(), scratch1.data(),
                                       [&](std::int32_t c, std::int32_t k, float peak, const BandFilter&) {
                                           pairPeaks[c][static_cast<std::size_t>(k)] = peak;
                                       });
                for (int c = 0; c < 2; ++c)
                    RunThirdOctaveBank(plan, alone[c], c == 0 ? in0 : in1, (c == 0 ? scratch0 : scratch1).data(),
                                       [&](std::int32_t k, float peak, const BandFilter&) {
                                           alonePeaks[c][static_cast<std::size_t>(k)] = peak;
                                       });
                EXPECT_EQ(pairPeaks[0], alonePeaks[0]) << "block of " << size;
                EXPECT_EQ(pairPeaks[1], alonePeaks[1]) << "block of " << size;
            }
            expectSame(pair[0], alone[0]);
            expectSame(pair[1], alone[1]);
        }
    }
}

TEST(ThirdOctaveBankTest, DecimatorAndCompactionCarryTheirPhaseAcrossBlocks)
{
    std::int32_t phase = 0;
    float samples[] = {1, 2, 3};
    EXPECT_EQ(CompactByFactor(samples, 3, 2, phase), 1);
    EXPECT_EQ(samples[0], 2.0f);
    float next[] = {4, 5, 6};
    EXPECT_EQ(CompactByFactor(next, 3, 2, phase), 2);
    EXPECT_EQ(next[0], 4.0f);
    EXPECT_EQ(next[1], 6.0f);
    phase = 0;
    float four[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(CompactByFactor(four, 9, 4, phase), 2);
    EXPECT_EQ(four[0], 4.0f);
    EXPECT_EQ(four[1], 8.0f);
    EXPECT_EQ(phase, 1);

    // In place, odd blocks: 5 then 5 inputs give 2 then 3 outputs, the same as
    // one block of 10.
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(48000);
    HalfRateDecimator split{set->mDecimatorB.data(), set->mDecimatorA.data(), {}, {}, 7};
    HalfRateDecimator whole = split;
    std::vector<float> x(10);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(0.3 * static_cast<double>(i)));
    std::vector<float> ref(x);
    std::int32_t wholePhase = 0;
    ASSERT_EQ(ProcessHalfRateDecimator(whole, wholePhase, ref, ref.data()), 5);
    std::int32_t splitPhase = 0;
    std::vector<float> a(x.begin(), x.begin() + 5), b(x.begin() + 5, x.end());
    ASSERT_EQ(ProcessHalfRateDecimator(split, splitPhase, a, a.data()), 2);
    EXPECT_EQ(splitPhase, 1);
    ASSERT_EQ(ProcessHalfRateDecimator(split, splitPhase, b, b.data()), 3);
    EXPECT_EQ(a[0], ref[0]);
    EXPECT_EQ(a[1], ref[1]);
    EXPECT_EQ(b[0], ref[2]);
    EXPECT_EQ(b[2], ref[4]);
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
    ResetAntiDenormal();
    for (float v : first)
        ASSERT_EQ(NextAntiDenormal(), v);
    ResetAntiDenormal();
}
} // namespace
