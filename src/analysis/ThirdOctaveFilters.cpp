#include "analysis/ThirdOctaveFilters.h"

#include <algorithm>
#include <cmath>

// The filters run on the real-time thread and dominate the third-octave
// analysis: on CPUs with AVX2 and FMA a second build of each is chosen at load
// time (the processor is asked once; other CPUs run the baseline build).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define QVX_FILTER_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define QVX_FILTER_CLONES
#endif

namespace
{
// Adds y^2 to the window in progress; at the end of a window publishes its RMS
// if it is the first window of this block or larger than the earlier ones.
struct RmsWindow
{
    explicit RmsWindow(const BandFilter& f) noexcept
        : mSum(f.mAccumulator), mCount(f.mAccumulated), mLength(f.mLength), mInvLength(f.mInvLength)
    {
    }

    void Add(float y, float& rms) noexcept
    {
        mSum += static_cast<double>(y) * y;
        if (++mCount >= mLength)
        {
            const float value = std::sqrt(static_cast<float>(mSum) * mInvLength);
            if (!mCompleted || value > rms)
                rms = value;
            mCompleted = true;
            mSum = 0.0;
            mCount = 0;
        }
    }

    void Store(BandFilter& f) const noexcept
    {
        f.mAccumulator = static_cast<float>(mSum);
        f.mAccumulated = mCount;
    }

    double mSum;
    std::int32_t mCount;
    std::int32_t mLength;
    float mInvLength;
    bool mCompleted = false;
};
} // namespace

namespace
{
// The general recursion for an order known when compiled (Order 0 .. 7), so
// that the history loops unroll; absolute peak.
template <int Order>
QVX_FILTER_CLONES float ProcessBandOrder(BandFilter& f, std::span<const float> x) noexcept
{
    double b[Order + 1], a[Order + 1];
    float xs[Order + 1], ys[Order + 1]; // [1] .. [Order]: most recent first
    for (int j = 0; j <= Order; ++j)
    {
        b[j] = f.mB[j];
        a[j] = f.mA[j];
    }
    for (int j = 1; j <= Order; ++j)
    {
        xs[j] = f.mInput[static_cast<std::size_t>(j - 1)];
        ys[j] = f.mOutput[static_cast<std::size_t>(j - 1)];
    }
    RmsWindow window(f);
    float peak = 0.0f;
    for (const float in : x)
    {
        double older = b[0] * in;
        for (int j = 2; j <= Order; ++j)
            older += b[j - 1] * xs[j - 1] - a[j] * ys[j];
        if constexpr (Order >= 1)
            older += b[Order] * xs[Order];
        double acc = older;
        if constexpr (Order >= 1)
            acc -= a[1] * ys[1];
        const float y = static_cast<float>(acc);
        for (int j = Order; j > 1; --j)
        {
            xs[j] = xs[j - 1];
            ys[j] = ys[j - 1];
        }
        if constexpr (Order >= 1)
        {
            xs[1] = in;
            ys[1] = y;
        }
        peak = std::max(peak, std::fabs(y));
        window.Add(y, f.mRms);
    }
    for (int j = 1; j <= Order; ++j)
    {
        f.mInput[static_cast<std::size_t>(j - 1)] = xs[j];
        f.mOutput[static_cast<std::size_t>(j - 1)] = ys[j];
    }
    window.Store(f);
    return peak;
}
} // namespace

float ProcessBandGeneral(BandFilter& f, std::span<const float> x) noexcept
{
    switch (std::clamp(f.mOrder, 0, static_cast<int>(BandFilter::kHistory) - 1))
    {
    case 0:
        return ProcessBandOrder<0>(f, x);
    case 1:
        return ProcessBandOrder<1>(f, x);
    case 2:
        return ProcessBandOrder<2>(f, x);
    case 3:
        return ProcessBandOrder<3>(f, x);
    case 4:
        return ProcessBandOrder<4>(f, x);
    case 5:
        return ProcessBandOrder<5>(f, x);
    case 6:
        return ProcessBandOrder<6>(f, x);
    default:
        return ProcessBandOrder<7>(f, x);
    }
}

namespace
{
using V4d = double __attribute__((vector_size(32)));
using V4f = float __attribute__((vector_size(16)));

V4f Max(V4f a, V4f b) noexcept
{
    return a > b ? a : b;
}

// Up to four band filters of one octave, one per vector lane. Their input,
// integration length and window position are the same (they run on the same
// signal from the same start), so one input history and one window counter
// serve all lanes.
QVX_FILTER_CLONES void ProcessBandLanesSixthOrder(BandFilter* const* filters, std::size_t count, std::span<const float> x,
                                                  float* peaks) noexcept
{
    V4d b[7] = {}, a[7] = {};
    V4f y[7] = {}; // y[1] .. y[6]
    V4f twoCos = {}, envelope = {}, peak = {}, rms = {};
    V4d sum = {};
    for (std::size_t k = 0; k < count; ++k)
    {
        const BandFilter& f = *filters[k];
        for (int j = 0; j < 7; ++j)
        {
            b[j][k] = f.mB[j];
            a[j][k] = f.mA[j];
        }
        for (int j = 1; j <= 6; ++j)
            y[j][k] = f.mOutput[static_cast<std::size_t>(j - 1)];
        twoCos[k] = 2.0f * f.mPeakCos;
        rms[k] = f.mRms;
        sum[k] = f.mAccumulator;
    }
    const BandFilter& first = *filters[0];
    float x1 = first.mInput[0], x2 = first.mInput[1], x3 = first.mInput[2], x4 = first.mInput[3],
          x5 = first.mInput[4], x6 = first.mInput[5];
    std::int32_t counter = first.mAccumulated;
    const std::int32_t length = first.mLength;
    const float invLength = first.mInvLength;
    bool completed = false;

    for (const float in : x)
    {
        const V4d older = ((b[0] * static_cast<double>(in) + b[1] * static_cast<double>(x1)) +
                           (b[2] * static_cast<double>(x2) + b[3] * static_cast<double>(x3))) +
                          ((b[4] * static_cast<double>(x4) + b[5] * static_cast<double>(x5)) +
                           b[6] * static_cast<double>(x6)) -
                          ((a[2] * __builtin_convertvector(y[2], V4d) + a[3] * __builtin_convertvector(y[3], V4d)) +
                           (a[4] * __builtin_convertvector(y[4], V4d) + a[5] * __builtin_convertvector(y[5], V4d)) +
                           a[6] * __builtin_convertvector(y[6], V4d));
        const V4d outD = older - a[1] * __builtin_convertvector(y[1], V4d);
        const V4f out = __builtin_convertvector(outD, V4f);
        envelope = Max(envelope, out * out + y[1] * y[1] - twoCos * out * y[1]);
        y[6] = y[5];
        y[5] = y[4];
        y[4] = y[3];
        y[3] = y[2];
        y[2] = y[1];
        y[1] = out;
        peak = Max(peak, out);
        const V4d outRounded = __builtin_convertvector(out, V4d);
        sum += outRounded * outRounded;
        x6 = x5;
        x5 = x4;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = in;
        if (++counter >= length)
        {
            for (std::size_t k = 0; k < count; ++k)
            {
                const float value = std::sqrt(static_cast<float>(sum[k]) * invLength);
                if (!completed || value > rms[k])
                    rms[k] = value;
            }
            completed = true;
            sum = V4d{};
            counter = 0;
        }
    }

    for (std::size_t k = 0; k < count; ++k)
    {
        BandFilter& f = *filters[k];
        f.mInput = {x1, x2, x3, x4, x5, x6, f.mInput[6], f.mInput[7]};
        f.mOutput = {y[1][k], y[2][k], y[3][k], y[4][k], y[5][k], y[6][k], f.mOutput[6], f.mOutput[7]};
        f.mRms = rms[k];
        f.mAccumulator = static_cast<float>(sum[k]);
        f.mAccumulated = counter;
        peaks[k] = std::max(peak[k], std::sqrt(envelope[k] * f.mPeakInvSin2));
    }
}
} // namespace

float ProcessBandSixthOrder(BandFilter& f, std::span<const float> x) noexcept
{
    BandFilter* filters[] = {&f};
    float peak = 0.0f;
    ProcessBandLanesSixthOrder(filters, 1, x, &peak);
    return peak;
}

void ProcessBandGroupSixthOrder(BandFilter* const* filters, std::size_t count, std::span<const float> x,
                                float* peaks) noexcept
{
    if (count == 0)
        return;
    // Lanes must share their input history and window; bands that do not are
    // run one by one.
    bool shared = count <= 4;
    for (std::size_t k = 1; shared && k < count; ++k)
        shared = filters[k]->mInput == filters[0]->mInput && filters[k]->mLength == filters[0]->mLength &&
                 filters[k]->mAccumulated == filters[0]->mAccumulated;
    if (shared)
    {
        ProcessBandLanesSixthOrder(filters, count, x, peaks);
        return;
    }
    for (std::size_t k = 0; k < count; ++k)
        peaks[k] = ProcessBandSixthOrder(*filters[k], x);
}

QVX_FILTER_CLONES std::int32_t ProcessHalfRateDecimator(HalfRateDecimator& d, std::int32_t& phase, std::span<const float> x,
                                      float* out) noexcept
{
    const double b0 = d.mB[0], b1 = d.mB[1], b2 = d.mB[2], b3 = d.mB[3], b4 = d.mB[4], b5 = d.mB[5], b6 = d.mB[6],
                 b7 = d.mB[7];
    const double a1 = d.mA[1], a2 = d.mA[2], a3 = d.mA[3], a4 = d.mA[4], a5 = d.mA[5], a6 = d.mA[6], a7 = d.mA[7];
    float x1 = d.mInput[0], x2 = d.mInput[1], x3 = d.mInput[2], x4 = d.mInput[3], x5 = d.mInput[4],
          x6 = d.mInput[5], x7 = d.mInput[6];
    float y1 = d.mOutput[0], y2 = d.mOutput[1], y3 = d.mOutput[2], y4 = d.mOutput[3], y5 = d.mOutput[4],
          y6 = d.mOutput[5], y7 = d.mOutput[6];
    std::int32_t written = 0;
    std::int32_t count = phase;
    for (const float in : x)
    {
        const double older = ((b0 * in + b1 * x1) + (b2 * x2 + b3 * x3)) + ((b4 * x4 + b5 * x5) + (b6 * x6 + b7 * x7)) -
                             (((a2 * y2 + a3 * y3) + (a4 * y4 + a5 * y5)) + (a6 * y6 + a7 * y7));
        const double acc = older - a1 * y1;
        const float y = static_cast<float>(acc);
        x7 = x6;
        x6 = x5;
        x5 = x4;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = in;
        y7 = y6;
        y6 = y5;
        y5 = y4;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y;
        if (++count >= 2)
        {
            out[written++] = y;
            count = 0;
        }
    }
    phase = count;
    d.mInput = {x1, x2, x3, x4, x5, x6, x7, d.mInput[7]};
    d.mOutput = {y1, y2, y3, y4, y5, y6, y7, d.mOutput[7]};
    return written;
}

std::int32_t CompactByFactor(float* samples, std::int32_t frames, std::int32_t factor, std::int32_t& phase) noexcept
{
    std::int32_t kept = 0;
    std::int32_t p = phase;
    for (std::int32_t i = 0; i < frames; ++i)
    {
        if (++p >= factor)
        {
            samples[kept++] = samples[i];
            p = 0;
        }
    }
    phase = p;
    return kept;
}
