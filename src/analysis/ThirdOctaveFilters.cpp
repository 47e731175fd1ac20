#include "analysis/ThirdOctaveFilters.h"

#include <algorithm>
#include <cmath>

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

float ProcessBandGeneral(BandFilter& f, std::span<const float> x) noexcept
{
    const int order = std::clamp(f.mOrder, 0, static_cast<int>(BandFilter::kHistory) - 1);
    const float* b = f.mB;
    const float* a = f.mA;
    RmsWindow window(f);
    float peak = 0.0f;
    for (const float in : x)
    {
        double acc = static_cast<double>(b[0]) * in;
        for (int j = 1; j <= order; ++j)
            acc += static_cast<double>(b[j]) * f.mInput[static_cast<std::size_t>(j - 1)] -
                   static_cast<double>(a[j]) * f.mOutput[static_cast<std::size_t>(j - 1)];
        const float y = static_cast<float>(acc);
        for (int j = order - 1; j > 0; --j)
        {
            f.mInput[static_cast<std::size_t>(j)] = f.mInput[static_cast<std::size_t>(j - 1)];
            f.mOutput[static_cast<std::size_t>(j)] = f.mOutput[static_cast<std::size_t>(j - 1)];
        }
        f.mInput[0] = in;
        f.mOutput[0] = y;
        peak = std::max(peak, std::fabs(y));
        window.Add(y, f.mRms);
    }
    window.Store(f);
    return peak;
}

float ProcessBandSixthOrder(BandFilter& f, std::span<const float> x) noexcept
{
    const double b0 = f.mB[0], b1 = f.mB[1], b2 = f.mB[2], b3 = f.mB[3], b4 = f.mB[4], b5 = f.mB[5], b6 = f.mB[6];
    const double a1 = f.mA[1], a2 = f.mA[2], a3 = f.mA[3], a4 = f.mA[4], a5 = f.mA[5], a6 = f.mA[6];
    float x1 = f.mInput[0], x2 = f.mInput[1], x3 = f.mInput[2], x4 = f.mInput[3], x5 = f.mInput[4],
          x6 = f.mInput[5];
    float y1 = f.mOutput[0], y2 = f.mOutput[1], y3 = f.mOutput[2], y4 = f.mOutput[3], y5 = f.mOutput[4],
          y6 = f.mOutput[5];
    const float twoCos = 2.0f * f.mPeakCos;
    RmsWindow window(f);
    float rms = f.mRms;
    float peak = 0.0f;
    float envelope = 0.0f; // largest A^2 seen between samples
    for (const float in : x)
    {
        const double acc = b0 * in + b1 * x1 + b2 * x2 + b3 * x3 + b4 * x4 + b5 * x5 + b6 * x6 - a1 * y1 - a2 * y2 -
                           a3 * y3 - a4 * y4 - a5 * y5 - a6 * y6;
        const float y = static_cast<float>(acc);
        envelope = std::max(envelope, y * y + y1 * y1 - twoCos * y * y1);
        x6 = x5;
        x5 = x4;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = in;
        y6 = y5;
        y5 = y4;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y;
        peak = std::max(peak, y);
        window.Add(y, rms);
    }
    f.mInput = {x1, x2, x3, x4, x5, x6, f.mInput[6], f.mInput[7]};
    f.mOutput = {y1, y2, y3, y4, y5, y6, f.mOutput[6], f.mOutput[7]};
    f.mRms = rms;
    window.Store(f);
    return std::max(peak, std::sqrt(envelope * f.mPeakInvSin2));
}

std::int32_t ProcessHalfRateDecimator(HalfRateDecimator& d, std::int32_t& phase, std::span<const float> x,
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
        const double acc = b0 * in + b1 * x1 + b2 * x2 + b3 * x3 + b4 * x4 + b5 * x5 + b6 * x6 + b7 * x7 - a1 * y1 -
                           a2 * y2 - a3 * y3 - a4 * y4 - a5 * y5 - a6 * y6 - a7 * y7;
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
