#pragma once
// The display ballistics of one channel slot of the FFT view: the live curve
// with its fall time, the exponential average and the peak hold, one value per
// FFT bin, in dB. A refresh runs Begin, AddFrame once per analysis frame and
// Finish; the plot draws what Finish left and never changes it while drawing.
//
// Levels: a bin of power p = re^2 + im^2 reads 10 log10(p) - 20 log10(n)
// (-6.02 dB for a full-scale sine centred on the bin); a power of exactly 0
// reads -200 dB and anything below 1e-12 reads -500 dB before that
// normalisation, so silence and "no frame at all" stay apart on screen.
//
// Threads: UI thread. AddFrame and Finish allocate nothing.

#include <cstdint>
#include <span>
#include <vector>

class QVXSpecPlotCurves
{
public:
    // Where a hold curve starts after it was restarted: below anything shown.
    static constexpr float kRestartedHoldDb = -2000.0f;
    // The frame maximum before any frame was added: a power no frame has.
    static constexpr float kNoPower = -200.0f;

    struct Ballistics
    {
        float decayTime = 0.5f;    // s for the live curve to fall 60 dB
        float peakHoldTime = 3.0f; // s; negative holds forever
        float peakDecay = 10.0f;   // s for the held peak to fall 60 dB
    };

    // The averaging constant per frame for an averaging time (s) at a frame
    // rate of sampleRate / (fftSize / 2).
    static double AverageAlpha(double averagingTime, double sampleRate,
                               std::int32_t fftSize) noexcept;
    // The displayed level of a power (see above) for an FFT of the given size.
    static float PowerToLevel(float power, float normalisationDb) noexcept;
    static float NormalisationDb(std::int32_t fftSize) noexcept;

    // n / 2 bins; a new size starts every curve at the level of silence and
    // the hold curve restarted.
    void Resize(std::int32_t fftSize);
    void Begin() noexcept;
    // One packed real FFT of n values: [0] DC real part, [1] unused, then
    // (re, im) of bins 1 ... n/2 - 1. Shorter frames are ignored.
    void AddFrame(std::span<const float> frame, float alpha) noexcept;
    // dt: seconds since the previous Finish; elapsed: seconds since the last
    // curve update (the held peak falls by it).
    void Finish(std::uint32_t now, double dt, double elapsed,
                const Ballistics& ballistics) noexcept;

    // Every held peak goes back to kRestartedHoldDb (the next Finish raises
    // it to the live curve).
    void RestartHold() noexcept;
    // Every held peak holds again for its full time from now.
    void RestartHoldTimers(std::uint32_t now) noexcept;

    std::int32_t GetFftSize() const noexcept { return mFftSize; }
    std::int32_t GetBinCount() const noexcept { return static_cast<std::int32_t>(mLive.size()); }
    const std::vector<float>& GetLive() const noexcept { return mLive; }
    const std::vector<float>& GetAverage() const noexcept { return mAverage; }
    const std::vector<float>& GetPeakHold() const noexcept { return mHold; }
    const std::vector<std::uint32_t>& GetHoldTicks() const noexcept { return mHoldTick; }
    const std::vector<float>& GetFrameMaximum() const noexcept { return mFrameMax; }

private:
    std::int32_t mFftSize = 0;
    float mNormalisationDb = 0.0f;
    std::vector<float> mFrameMax;
    // The level of mFrameMax, as Finish found it.
    std::vector<float> mFrameMaxLevel;
    std::vector<float> mLive;
    std::vector<float> mAverage;
    std::vector<float> mHold;
    std::vector<std::uint32_t> mHoldTick;
};
