#include "DemoSignal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kSweepStart = 1.0;  // s
constexpr double kSweepLength = 6.0; // s
constexpr double kSweepLow = 40.0;   // Hz
constexpr double kSweepHigh = 16000.0;
// Sixteen rows of uniform noise sum to about 2.3 RMS; this brings the pink
// noise to -30 dBFS RMS.
constexpr float kPinkGain = 0.0316f / 2.3f;

double Db(double db)
{
    return std::pow(10.0, db / 20.0);
}
} // namespace

DemoSignal::Pink::Pink(unsigned seed) : random(seed)
{
    for (float& row : rows)
    {
        row = uniform(random);
        sum += row;
    }
}

float DemoSignal::Pink::Next()
{
    // The row to redraw is the lowest set bit of the counter: row r changes
    // every 2^(r+1) samples, which gives the 1/f fall.
    ++counter;
    const int r = std::min(std::countr_zero(counter), 15);
    const float fresh = uniform(random);
    sum += fresh - rows[r];
    rows[r] = fresh;
    return sum * kPinkGain;
}

DemoSignal::DemoSignal() : mLeftNoise(20261206u), mRightNoise(1000003u) {}

std::int64_t DemoSignal::Read(std::vector<std::vector<float>>& channels, std::int64_t frames)
{
    const std::int64_t count = std::clamp<std::int64_t>(kFrames - mPosition, 0, frames);
    for (auto& channel : channels)
        if (static_cast<std::int64_t>(channel.size()) < count)
            channel.resize(static_cast<std::size_t>(count));
    const double tone = Db(-12.0);
    const double sweep = Db(-18.0);
    const double ratio = std::log(kSweepHigh / kSweepLow);
    for (std::int64_t i = 0; i < count; ++i)
    {
        const std::int64_t n = mPosition + i;
        const double t = static_cast<double>(n) / kSampleRate;
        double left = mLeftNoise.Next() + tone * std::sin(kTwoPi * 1000.0 * t);
        const double u = t - kSweepStart;
        if (u >= 0.0 && u < kSweepLength)
        {
            // Exponential sweep: the frequency rises by the same ratio each second.
            const double hz = kSweepLow * std::exp(ratio * u / kSweepLength);
            mSweepPhase += kTwoPi * hz / kSampleRate;
            if (mSweepPhase > kTwoPi)
                mSweepPhase -= kTwoPi;
            left += sweep * std::sin(mSweepPhase);
        }
        const double right = mRightNoise.Next() + Db(-14.0) * std::sin(kTwoPi * 440.0 * t) +
                             Db(-26.0) * std::sin(kTwoPi * 880.0 * t) +
                             Db(-34.0) * std::sin(kTwoPi * 1320.0 * t);
        channels[0][static_cast<std::size_t>(i)] = static_cast<float>(left);
        if (channels.size() > 1)
            channels[1][static_cast<std::size_t>(i)] = static_cast<float>(right);
    }
    mPosition += count;
    return count;
}
