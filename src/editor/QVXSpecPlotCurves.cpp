#include "editor/QVXSpecPlotCurves.h"

#include "base/TargetClones.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace
{
// 10 log10(p) for a normal p > 0, without branches or library calls so that
// a loop over a whole frame becomes vector code (the library's logarithm is
// a call per bin). p = m 2^e with m in [sqrt(1/2), sqrt(2)); ln m is the
// series of 2 atanh((m - 1) / (m + 1)), whose next term is below 1e-9.
// Within 2e-5 dB of the exact value over the whole range of levels.
inline float TenLog10(float p) noexcept
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(p);
    // The exponent counted from sqrt(1/2) (0x3f3504f3), so that the mantissa
    // left over lies in [sqrt(1/2), sqrt(2)).
    const std::int32_t e = static_cast<std::int32_t>(bits - 0x3f3504f3u) >> 23;
    const float m = std::bit_cast<float>(bits - (static_cast<std::uint32_t>(e) << 23));
    const float t = (m - 1.0f) / (m + 1.0f);
    const float t2 = t * t;
    const float lnM = 2.0f * t * (1.0f + t2 * (1.0f / 3.0f + t2 * (1.0f / 5.0f + t2 * (1.0f / 7.0f + t2 / 9.0f))));
    constexpr float kTenOverLn10 = 4.342944819032518f;
    constexpr float kTenLog10Of2 = 3.010299956639812f;
    return static_cast<float>(e) * kTenLog10Of2 + lnM * kTenOverLn10;
}

inline float Level(float power, float normalisationDb) noexcept
{
    // The logarithm of a clamped power, then the choice, so that the loops
    // calling this stay free of branches.
    const float level = TenLog10(std::max(power, 1e-12f));
    const float chosen = power == 0.0f ? -200.0f : (power >= 1e-12f ? level : -500.0f);
    return chosen - normalisationDb;
}
} // namespace

double QVXSpecPlotCurves::AverageAlpha(double averagingTime, double sampleRate,
                                       std::int32_t fftSize) noexcept
{
    // An averaging time of T seconds weighs each new frame by 1 / (1 + c T F),
    // F frames per second; c is the calibration of the analyzer's averaging times.
    constexpr double c = 0.5 * (1.0 - 0.36787944117144233) / 0.95;
    if (fftSize <= 0)
        return 1.0;
    const double framesPerSecond = sampleRate / (fftSize / 2.0);
    return 1.0 / (1.0 + c * averagingTime * framesPerSecond);
}

float QVXSpecPlotCurves::NormalisationDb(std::int32_t fftSize) noexcept
{
    return fftSize > 0 ? 20.0f * std::log10(static_cast<float>(fftSize)) : 0.0f;
}

float QVXSpecPlotCurves::PowerToLevel(float power, float normalisationDb) noexcept
{
    return Level(power, normalisationDb);
}

void QVXSpecPlotCurves::Resize(std::int32_t fftSize)
{
    const auto bins = static_cast<std::size_t>(std::max<std::int32_t>(fftSize, 0) / 2);
    if (fftSize == mFftSize && mLive.size() == bins)
        return;
    mFftSize = fftSize;
    mNormalisationDb = NormalisationDb(fftSize);
    const float silence = PowerToLevel(0.0f, mNormalisationDb);
    mFrameMax.assign(bins, kNoPower);
    mFrameMaxLevel.assign(bins, PowerToLevel(kNoPower, mNormalisationDb));
    mLive.assign(bins, silence);
    mAverage.assign(bins, silence);
    mHold.assign(bins, kRestartedHoldDb);
    mHoldTick.assign(bins, 0);
}

void QVXSpecPlotCurves::Begin() noexcept
{
    std::fill(mFrameMax.begin(), mFrameMax.end(), kNoPower);
}

QVX_TARGET_CLONES void QVXSpecPlotCurves::AddFrame(std::span<const float> frame, float alpha) noexcept
{
    const std::size_t bins = mLive.size();
    if (bins == 0 || frame.size() < 2 * bins)
        return;
    const float* data = frame.data();
    float* frameMax = mFrameMax.data();
    float* average = mAverage.data();
    const float normalisation = mNormalisationDb;
    // One pass without branches, which becomes vector code; bin 0 first on
    // its own, as position 1 holds the Nyquist value, not an imaginary part
    // of DC.
    const auto add = [&](std::size_t k, float power) noexcept
    {
        const float level = Level(power, normalisation);
        const float before = frameMax[k];
        frameMax[k] = power > before ? power : before;
        average[k] += (level - average[k]) * alpha;
    };
    add(0, data[0] * data[0]);
    for (std::size_t k = 1; k < bins; ++k)
        add(k, data[2 * k] * data[2 * k] + data[2 * k + 1] * data[2 * k + 1]);
}

QVX_TARGET_CLONES void QVXSpecPlotCurves::Finish(std::uint32_t now, double dt, double elapsed,
                                                 const Ballistics& ballistics) noexcept
{
    const float fall = static_cast<float>(60.0 / ballistics.decayTime * dt);
    const float holdFall = static_cast<float>(elapsed / ballistics.peakDecay * 60.0);
    const bool holdForever = ballistics.peakHoldTime < 0.0f;
    // A held peak starts to fall once more ticks than the hold time have
    // passed: for whole tick counts, more than the hold time's whole ticks.
    const double holdTicks = std::floor(static_cast<double>(ballistics.peakHoldTime) * 60.0);
    const std::int32_t holdLimit = static_cast<std::int32_t>(
        std::clamp(holdTicks, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
    const std::size_t bins = mLive.size();
    // The level of each bin's loudest frame: the same function of the same
    // power as that frame's level was.
    for (std::size_t k = 0; k < bins; ++k)
        mFrameMaxLevel[k] = Level(mFrameMax[k], mNormalisationDb);
    // Written as choices rather than branches so that the loop becomes
    // vector code; max(a, b) below is a < b ? b : a, as std::max.
    float* liveCurve = mLive.data();
    float* holdCurve = mHold.data();
    std::uint32_t* holdTicksOf = mHoldTick.data();
    const float* latestOf = mFrameMaxLevel.data();
    for (std::size_t k = 0; k < bins; ++k)
    {
        // The live curve jumps up to a louder frame and falls by at most
        // `fall` towards a quieter one.
        const float latest = latestOf[k];
        const float fallen = liveCurve[k] - fall;
        const float live = latest < fallen ? fallen : latest;
        liveCurve[k] = live;

        // The held peak rises with the live curve and restarts its hold
        // time; once that is over it falls, but never through the live curve.
        const float hold = holdCurve[k];
        const std::uint32_t since = holdTicksOf[k];
        const bool rises = live >= hold;
        const bool expired = !holdForever && static_cast<std::int32_t>(now - since) > holdLimit;
        const float dropped = hold - holdFall < live ? live : hold - holdFall;
        holdCurve[k] = rises ? live : (expired ? dropped : hold);
        holdTicksOf[k] = rises ? now : since;
    }
}

void QVXSpecPlotCurves::RestartHold() noexcept
{
    std::fill(mHold.begin(), mHold.end(), kRestartedHoldDb);
}

void QVXSpecPlotCurves::RestartHoldTimers(std::uint32_t now) noexcept
{
    std::fill(mHoldTick.begin(), mHoldTick.end(), now);
}
