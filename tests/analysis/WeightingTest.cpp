#include "analysis/QVXIIRFilter.h"
#include "analysis/QVXWeightingCoefficients.h"
#include "analysis/QVXWeightingProcessor.h"
#include "support/FilterResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
constexpr int kRates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
// Gain at 100 Hz of no curve, A, B and C.
constexpr double kAt100Hz[] = {0.0, -19.14, -5.65, -0.30};

// The analogue curves (IEC 61672 poles; B adds its 158.5 Hz pole), in dB
// relative to 1 kHz.
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
std::vector<float> ReferenceFilter(const std::vector<double>& b, const std::vector<double>& a,
                                   const std::vector<float>& in)
{
    std::vector<double> x(b.size()), y(b.size()); // newest first
    std::vector<float> out;
    for (float v : in)
    {
        x.insert(x.begin(), v);
        x.pop_back();
        double acc = 0.0;
        for (std::size_t i = 0; i < b.size(); ++i)
            acc += b[i] * x[i] - (i ? a[i] * y[i - 1] : 0.0);
        y.insert(y.begin(), acc);
        y.pop_back();
        out.push_back(static_cast<float>(acc));
    }
    return out;
}

std::vector<float> Noise(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& s : v)
        s = dist(rng);
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
    for (auto& v : b)
        v = dist(rng);
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
            EXPECT_EQ(set->order, curve == 1 ? 6 : curve == 2 ? 5 : 4);
            EXPECT_EQ(set->a[0], 1.0);
            const auto db = [set](double f) {
                return ResponseDb(set->b, set->a, f, set->sampleRate, static_cast<std::size_t>(set->order) + 1);
            };
            EXPECT_NEAR(db(1000.0), 0.0, 0.01);
            EXPECT_NEAR(db(100.0), kAt100Hz[curve], 0.01);
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

TEST(QVXIIRFilter, CreateRejectsBadOrdersAndMissingTablesResetFillsHistory)
{
    const double six[] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(QVXIIRFilter::Create(six, six, -1), nullptr);
    EXPECT_EQ(QVXIIRFilter::Create(six, six, 15), nullptr);
    EXPECT_EQ(QVXIIRFilter::Create({}, six, 2), nullptr);
    EXPECT_EQ(QVXIIRFilter::Create(six, std::span<const double>(six).first(3), 3), nullptr);

    const double b[] = {0.5, 0.25};
    const double a[] = {1.0, -0.5};
    auto f = QVXIIRFilter::Create(b, a, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::pair(f->GetInputHistory()[0], f->GetOutputHistory()[0]), std::pair(0.0f, 0.0));
    f->Reset(2.0);
    EXPECT_EQ(std::pair(f->GetInputHistory()[0], f->GetOutputHistory()[0]), std::pair(2.0f, 2.0));
    // y = 0.5 * 0 + 0.25 * 2 + 0.5 * 2
    const float zero = 0.0f;
    float y = 0.0f;
    f->Process(std::span(&zero, 1), std::span(&y, 1));
    EXPECT_FLOAT_EQ(y, 1.5f);
}

// After loud input the recursion of a silent stretch is cut to exact zeros
// before it can reach subnormal numbers.
TEST(QVXIIRFilter, SilenceSettlesToExactZeroHistory)
{
    const QVXWeightingSet* set = QVXFindWeightingSet(1, 48000);
    ASSERT_NE(set, nullptr);
    auto f = QVXIIRFilter::Create(set->b, set->a, set->order);
    auto noise = Noise(4800, 9);
    f->Process(noise, noise);
    const std::vector<float> silence(4800, 0.0f);
    std::vector<float> out(4800, 1.0f);
    for (int block = 0; block < 100; ++block) // 10 s
        f->Process(silence, out);
    for (double y : f->GetOutputHistory())
        EXPECT_EQ(y, 0.0);
    EXPECT_EQ(out, silence);
}

// Each curve at each rate filters exactly as its stored set does, on every channel.
TEST(QVXWeightingProcessor, EveryRateAndCurveFiltersAsItsSetSays)
{
    const auto in = Noise(1000, 5);
    for (int rate : kRates)
    {
        Processor p;
        EXPECT_TRUE(p.SetUpWeighting(2, rate));
        EXPECT_TRUE(p.IsWeightingSupported());
        for (int curve = 1; curve <= 3; ++curve)
        {
            const QVXWeightingSet* set = QVXFindWeightingSet(curve, rate);
            std::vector<float> expected(in.size()), left(in.size()), right(in.size());
            QVXIIRFilter::Create(set->b, set->a, set->order)->Process(in, expected);
            p.SelectWeighting(curve);
            const float* ins[] = {in.data(), in.data()};
            float* outs[] = {left.data(), right.data()};
            p.ApplyWeighting(ins, outs, static_cast<int>(in.size()));
            EXPECT_EQ(std::pair(left, right), std::pair(expected, expected)) << rate << " " << curve;
        }
    }
}

TEST(QVXWeightingProcessor, UnsupportedRateCopiesExactlyAndNoCurveTouchesNothing)
{
    Processor p;
    EXPECT_FALSE(p.SetUpWeighting(2, 22050));
    EXPECT_FALSE(p.IsWeightingSupported());
    const auto left = Noise(512, 1), right = Noise(512, 2);
    const float* ins[] = {left.data(), right.data()};
    for (int curve = 1; curve <= 3; ++curve)
    {
        p.SelectWeighting(curve);
        EXPECT_TRUE(p.IsWeightingActive());
        std::vector<float> l(512, 7.0f), r(512, 7.0f);
        float* outs[] = {l.data(), r.data()};
        p.ApplyWeighting(ins, outs, 512);
        EXPECT_EQ(std::pair(l, r), std::pair(left, right));
    }

    p.SelectWeighting(0);
    EXPECT_FALSE(p.IsWeightingActive());
    ASSERT_TRUE(p.SetUpWeighting(2, 48000));
    std::vector<float> l(512, 7.0f);
    float* outs[] = {l.data(), nullptr};
    p.ApplyWeighting(ins, outs, 512);
    EXPECT_EQ(l, std::vector<float>(512, 7.0f));
}

TEST(QVXWeightingProcessor, MonoFiltersChannelZeroOnlyAndNullPointersAreSkipped)
{
    const auto in = Noise(256, 3);
    const std::vector<float> untouched(256, 7.0f);
    auto apply = [&](int channels, const float* in0, bool out1) {
        Processor p;
        EXPECT_TRUE(p.SetUpWeighting(channels, 48000));
        p.SelectWeighting(1);
        std::vector<float> o0 = untouched, o1 = untouched;
        const float* ins[] = {in0, in.data()};
        float* outs[] = {o0.data(), out1 ? o1.data() : nullptr};
        p.ApplyWeighting(ins, outs, 256);
        return std::pair(o0 != untouched, o1 != untouched);
    };
    EXPECT_EQ(apply(1, in.data(), true), std::pair(true, false));
    EXPECT_EQ(apply(2, in.data(), true), std::pair(true, true));
    EXPECT_EQ(apply(2, nullptr, true), std::pair(false, true));
    EXPECT_EQ(apply(2, in.data(), false), std::pair(true, false));
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
