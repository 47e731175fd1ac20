#include "analysis/QVXIIRFilter.h"
#include "analysis/QVXWeightingCoefficients.h"
#include "analysis/QVXWeightingProcessor.h"
#include "support/FilterResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace
{
constexpr int kRates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};

// The analogue curves (IEC 61672 poles; B adds 158.5 Hz), in dB relative to 1 kHz.
double AnalogueRelativeDb(int curve, double f)
{
    auto db = [curve](double x) {
        auto pole = [x](double p) { return x * x + p * p; };
        double r = x * x / (pole(20.598997) * pole(12194.217));
        if (curve == 1)
            r *= x * x / std::sqrt(pole(107.65265) * pole(737.86223));
        else if (curve == 2)
            r *= x / std::sqrt(pole(158.48932));
        return 20.0 * std::log10(r);
    };
    return db(f) - db(1000.0);
}

// Plain direct form I in double precision: the oracle of the filter routines.
std::vector<float> ReferenceFilter(const std::vector<double>& b, const std::vector<double>& a, const std::vector<float>& in)
{
    std::vector<double> y(in.size());
    for (std::size_t n = 0; n < in.size(); ++n)
        for (std::size_t i = 0; i < b.size() && i <= n; ++i)
            y[n] += b[i] * in[n - i] - (i ? a[i] * y[n - i] : 0.0);
    return std::vector<float>(y.begin(), y.end());
}

std::vector<float> Noise(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(n);
    std::generate(v.begin(), v.end(), [&] { return dist(rng); });
    return v;
}

// A stable filter of any order: real poles inside the unit circle, random zeros.
void MakeFilter(int order, unsigned seed, std::vector<double>& b, std::vector<double>& a)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-0.9, 0.9);
    a = {1.0};
    for (int p = 0; p < order; ++p)
    {
        const double pole = dist(rng);
        a.push_back(0.0);
        for (std::size_t i = a.size() - 1; i > 0; --i)
            a[i] -= pole * a[i - 1];
    }
    b.resize(static_cast<std::size_t>(order) + 1);
    std::generate(b.begin(), b.end(), [&] { return dist(rng); });
}

// The processor is meant to be a base of the services that weight their input.
struct Processor : QVXWeightingProcessor
{
};

} // namespace

// Up to 4 kHz every set stays within 0.1 dB of its analogue curve; a
// coefficient off by one part in ten thousand takes its set out of that band.
TEST(QVXWeightingSets, EverySetFollowsItsAnalogueCurveUpTo4kHz)
{
    int count = 0;
    for (int curve = 1; curve <= 3; ++curve)
    {
        for (int rate : kRates)
        {
            SCOPED_TRACE(testing::Message() << "curve " << curve << " at " << rate << " Hz");
            const QVXWeightingSet* set = QVXFindWeightingSet(curve, rate);
            ASSERT_NE(set, nullptr);
            EXPECT_EQ(std::pair(set->order, set->a[0]), std::pair(curve == 1 ? 6 : curve == 2 ? 5 : 4, 1.0));
            const auto db = [set](double f) {
                return ResponseDb(set->b, set->a, f, set->sampleRate, static_cast<std::size_t>(set->order) + 1);
            };
            EXPECT_NEAR(db(1000.0), 0.0, 0.01);
            for (double f = 10.0; f <= 4000.0; f *= 1.05)
                ASSERT_NEAR(db(f), AnalogueRelativeDb(curve, f), 0.1) << f << " Hz";
            ++count;
        }
    }
    EXPECT_EQ(QVXGetWeightingSets().size(), static_cast<std::size_t>(count));
    EXPECT_EQ(QVXFindWeightingSet(1, 22050), nullptr);
    EXPECT_EQ(QVXFindWeightingSet(0, 48000), nullptr);
}

TEST(QVXIIRFilter, EveryRoutineMatchesThePlainDirectForm)
{
    for (int order : {0, 1, 2, 3, 4, 5, 6, 7, 9, 14})
    {
        std::vector<double> b, a;
        MakeFilter(order, 100u + static_cast<unsigned>(order), b, a);
        auto filter = QVXIIRFilter::Create(b, a, order);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(filter->GetOrder(), order);
        const auto input = Noise(3000, static_cast<unsigned>(order));
        const auto expected = ReferenceFilter(b, a, input);

        // Uneven blocks carry the history across calls; the last block runs in place.
        std::vector<float> out(input);
        std::size_t pos = 0;
        for (std::size_t len : {1, 7, 64, 1000})
        {
            filter->Process(std::span(input).subspan(pos, len), std::span(out).subspan(pos, len));
            pos += len;
        }
        filter->Process(std::span(out).subspan(pos), std::span(out).subspan(pos));
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_NEAR(out[i], expected[i], 1e-5f * (1.0f + std::fabs(expected[i]))) << "order " << order << " i " << i;
    }
}

TEST(QVXIIRFilter, CreateRejectsBadOrdersAndMissingTablesResetFillsHistorySilenceSettlesToZero)
{
    // Long enough for order 15, so only the order refuses it.
    const double many[16] = {1, 2, 3, 4, 5, 6, 7};
    for (const auto& [b, a, order] : {std::tuple(std::span<const double>(many), std::span<const double>(many), -1),
                                      {many, many, 15}, {{}, many, 2}, {many, std::span<const double>(many).first(3), 3}})
        EXPECT_EQ(QVXIIRFilter::Create(b, a, order), nullptr) << order;

    const double b[] = {0.5, 0.25}, a[] = {1.0, -0.5};
    auto f = QVXIIRFilter::Create(b, a, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::pair(f->GetInputHistory()[0], f->GetOutputHistory()[0]), std::pair(0.0f, 0.0));
    f->Reset(2.0);
    EXPECT_EQ(std::pair(f->GetInputHistory()[0], f->GetOutputHistory()[0]), std::pair(2.0f, 2.0));
    float y = 0.0f;
    f->Process(std::span(&y, 1), std::span(&y, 1));
    EXPECT_FLOAT_EQ(y, 1.5f); // 0.5 * 0 + 0.25 * 2 + 0.5 * 2

    // After loud input, silence settles to exact zeros before reaching subnormals.
    const QVXWeightingSet* set = QVXFindWeightingSet(1, 48000);
    f = QVXIIRFilter::Create(set->b, set->a, set->order);
    auto noise = Noise(4800, 9);
    f->Process(noise, noise);
    const std::vector<float> silence(4800, 0.0f);
    std::vector<float> out(4800, 1.0f);
    for (int block = 0; block < 100; ++block) // 10 s
        f->Process(silence, out);
    const auto history = f->GetOutputHistory();
    EXPECT_EQ(std::vector<double>(history.begin(), history.end()), std::vector<double>(history.size(), 0.0));
    EXPECT_EQ(out, silence);
}

// Each curve at each rate filters each channel exactly as its stored set
// does. Unsupported rate: every curve copies exactly; no curve: nothing is
// written; mono filters channel 0 only; a missing input or output skips its channel.
TEST(QVXWeightingProcessor, EveryRateAndCurveFiltersAsItsSetSaysAndOthersPassOrSkip)
{
    const auto left = Noise(512, 1), right = Noise(512, 2);
    const std::vector<float> untouched(512, 7.0f);
    // The two outputs after one call, starting from `untouched`.
    const auto apply = [&](Processor& p, const float* in0, bool out1) {
        std::vector<float> o0 = untouched, o1 = untouched;
        const float* ins[] = {in0, right.data()};
        float* outs[] = {o0.data(), out1 ? o1.data() : nullptr};
        p.ApplyWeighting(ins, outs, 512);
        return std::pair(o0, o1);
    };
    for (int rate : kRates)
    {
        Processor q;
        EXPECT_TRUE(q.SetUpWeighting(2, rate) && q.IsWeightingSupported());
        for (int curve = 1; curve <= 3; ++curve)
        {
            const QVXWeightingSet* set = QVXFindWeightingSet(curve, rate);
            std::vector<float> l(512), r(512);
            QVXIIRFilter::Create(set->b, set->a, set->order)->Process(left, l);
            QVXIIRFilter::Create(set->b, set->a, set->order)->Process(right, r);
            q.SelectWeighting(curve);
            EXPECT_EQ(apply(q, left.data(), true), std::pair(l, r)) << rate << " Hz, curve " << curve;
        }
    }
    Processor p;
    EXPECT_FALSE(p.SetUpWeighting(2, 22050));
    EXPECT_FALSE(p.IsWeightingSupported());
    for (int curve = 1; curve <= 3; ++curve)
    {
        p.SelectWeighting(curve);
        EXPECT_TRUE(p.IsWeightingActive());
        EXPECT_EQ(apply(p, left.data(), true), std::pair(left, right));
    }
    p.SelectWeighting(0);
    EXPECT_FALSE(p.IsWeightingActive());
    ASSERT_TRUE(p.SetUpWeighting(2, 48000));
    EXPECT_EQ(apply(p, left.data(), true), std::pair(untouched, untouched));

    const auto changed = [&](int channels, const float* in0, bool out1) {
        Processor q;
        EXPECT_TRUE(q.SetUpWeighting(channels, 48000));
        q.SelectWeighting(1);
        const auto [o0, o1] = apply(q, in0, out1);
        return std::pair(o0 != untouched, o1 != untouched);
    };
    EXPECT_EQ(changed(1, left.data(), true), std::pair(true, false));
    EXPECT_EQ(changed(2, left.data(), true), std::pair(true, true));
    EXPECT_EQ(changed(2, nullptr, true), std::pair(false, true));
    EXPECT_EQ(changed(2, left.data(), false), std::pair(true, false));
}

TEST(QVXWeightingProcessor, ChangingTheCurveClearsItsHistoryReselectingKeepsIt)
{
    const auto in = Noise(2048, 4);
    // Filters the first half with A, calls `between`, then returns the second half.
    auto secondHalf = [&](auto between) {
        Processor p;
        EXPECT_TRUE(p.SetUpWeighting(1, 44100));
        p.SelectWeighting(1);
        std::vector<float> out(1024);
        const float* first[] = {in.data()};
        const float* second[] = {in.data() + 1024};
        float* dst[] = {out.data()};
        p.ApplyWeighting(first, dst, 1024);
        between(p);
        p.ApplyWeighting(second, dst, 1024);
        return out;
    };
    const auto continuous = secondHalf([](Processor&) {});
    const auto fromZero = secondHalf([](Processor& p) { p.SetUpWeighting(1, 44100); });
    ASSERT_NE(continuous, fromZero);
    EXPECT_EQ(secondHalf([](Processor& p) { p.SelectWeighting(1); }), continuous);
    EXPECT_EQ(secondHalf([](Processor& p) {
                  p.SelectWeighting(3);
                  p.SelectWeighting(1);
              }),
              fromZero);
    secondHalf([](Processor& p) {
        p.SetUpWeighting(1, 44100);
        EXPECT_EQ(p.GetWeightingCurve(), 1); // survives the set-up
        p.SelectWeighting(9);
        EXPECT_EQ(p.GetWeightingCurve(), 0);
        p.SelectWeighting(1);
    });
}
