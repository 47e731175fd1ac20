#include "editor/QVXSpecPlotCurves.h"

#include <algorithm>
#include <cmath>

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
    float level;
    if (power == 0.0f)
        level = -200.0f;
    else if (power >= 1e-12f)
        level = 10.0f * std::log10(power);
    else
        level = -500.0f;
    return level - normalisationDb;
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
    std::fill(mFrameMaxLevel.begin(), mFrameMaxLevel.end(),
              PowerToLevel(kNoPower, mNormalisationDb));
}

void QVXSpecPlotCurves::AddFrame(std::span<const float> frame, float alpha) noexcept
{
    const std::size_t bins = mLive.size();
    if (bins == 0 || frame.size() < 2 * bins)
        return;
    const float* data = frame.data();
    float* frameMax = mFrameMax.data();
    float* frameMaxLevel = mFrameMaxLevel.data();
    float* average = mAverage.data();
    for (std::size_t k = 0; k < bins; ++k)
    {
        const float re = data[2 * k];
        // Position 1 holds the Nyquist value, not an imaginary part of DC.
        const float im = k == 0 ? 0.0f : data[2 * k + 1];
        const float power = re * re + im * im;
        const float level = PowerToLevel(power, mNormalisationDb);
        if (power > frameMax[k])
        {
            frameMax[k] = power;
            frameMaxLevel[k] = level;
        }
        average[k] += (level - average[k]) * alpha;
    }
}

void QVXSpecPlotCurves::Finish(std::uint32_t now, double dt, double elapsed,
                               const Ballistics& ballistics) noexcept
{
    const float fall = static_cast<float>(60.0 / ballistics.decayTime * dt);
    const float holdFall = static_cast<float>(elapsed / ballistics.peakDecay * 60.0);
    const bool holdForever = ballistics.peakHoldTime < 0.0f;
    const double holdTicks = ballistics.peakHoldTime * 60.0;
    const std::size_t bins = mLive.size();
    for (std::size_t k = 0; k < bins; ++k)
    {
        const float latest = mFrameMaxLevel[k];
        float& live = mLive[k];
        live = latest > live ? latest : std::max(latest, live - fall);

        float& hold = mHold[k];
        if (live >= hold)
        {
            hold = live;
            mHoldTick[k] = now;
        }
        else if (!holdForever &&
                 static_cast<double>(static_cast<std::int32_t>(now - mHoldTick[k])) > holdTicks)
        {
            // The held peak falls, but never through the live curve.
            hold = std::max(hold - holdFall, live);
        }
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
