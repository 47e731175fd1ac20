#pragma once
// The filter records of the third-octave bank and the routines that run them.
//
// BandFilter: one band of one channel, a band-pass (order 6) or the top band's
// high-pass (order 3), with its RMS integration over N samples. Both routines
// compute y = sum(j = 0..M) b_j x[i-j] - sum(j = 1..M) a_j y[i-j] with double
// accumulation and store y as a float; the histories hold floats, most recent
// first. The sixth-order routine is written out for speed; the general one
// serves any order up to 7.
//
// HalfRateDecimator: the seventh-order lowpass run before each halving of the
// rate; it keeps every second output.
//
// Records are plain values: a bank for a further channel is a copy. The
// coefficient pointers refer to the constant tables of ThirdOctaveCoefficients.
//
// Threads: the routines are real-time safe (no allocation, no lock, noexcept);
// a record is used by one thread at a time.

#include <array>
#include <cstdint>
#include <span>

struct BandFilter
{
    static constexpr std::size_t kHistory = 8;

    const float* mB = nullptr; // b0 .. b_order
    const float* mA = nullptr; // a0 .. a_order; a0 is 1 and never read
    std::array<float, kHistory> mInput{};
    std::array<float, kHistory> mOutput{};
    std::int32_t mOrder = 0;
    std::int32_t mLength = 1; // integration length N in samples
    float mInvLength = 1.0f;
    float mAccumulator = 0.0f; // sum of y^2 of the window in progress
    std::int32_t mAccumulated = 0;
    float mRms = 0.0f; // the value most recently published for the band
    // Peak of a band-pass between samples: for a sinusoid at the design's
    // mid-band frequency w0 (radians per sample), two successive outputs give
    // its amplitude: A^2 = (y0^2 + y1^2 - 2 cos(w0) y0 y1) / sin^2(w0). Without
    // it a tone near a third of the rate (every third band) can show a sample
    // peak as low as half its amplitude, below its own RMS. 0 = sample peak only.
    float mPeakCos = 0.0f;
    float mPeakInvSin2 = 0.0f;
};

// A band routine filters a block and returns its peak (0 for an empty block);
// mRms becomes the largest window RMS completed in the block, or stays as it
// was when none completed.
using BandRoutine = float (*)(BandFilter& filter, std::span<const float> x) noexcept;

// Any order up to 7; the peak is the largest |y|.
float ProcessBandGeneral(BandFilter& filter, std::span<const float> x) noexcept;
// Order 6 only; the peak is the larger of the largest y and the amplitude
// estimated between samples (see mPeakCos).
float ProcessBandSixthOrder(BandFilter& filter, std::span<const float> x) noexcept;
// The same for up to three band filters fed with the same signal (the bands
// of one octave), run side by side; their input histories must be equal.
// peaks receives each band's block peak.
void ProcessBandGroupSixthOrder(BandFilter* const* filters, std::size_t count, std::span<const float> x,
                                float* peaks) noexcept;

struct HalfRateDecimator
{
    static constexpr std::size_t kHistory = 8;

    const float* mB = nullptr; // 8 coefficients
    const float* mA = nullptr; // 8 coefficients, a0 = 1
    std::array<float, kHistory> mInput{};
    std::array<float, kHistory> mOutput{};
    std::int32_t mOrder = 7;
};

// Filters x and writes every second output to out, counting with phase (0 or
// 1, kept by the caller across blocks). out may be x.data(): each output is
// written at or before the input it came from. Returns the outputs written.
std::int32_t ProcessHalfRateDecimator(HalfRateDecimator& decimator, std::int32_t& phase, std::span<const float> x,
                                      float* out) noexcept;

// Keeps one sample in factor, in place, counting with phase across blocks: each
// sample advances phase and the one that brings it to factor is kept (phase
// back to 0). Returns the samples kept.
std::int32_t CompactByFactor(float* samples, std::int32_t frames, std::int32_t factor, std::int32_t& phase) noexcept;
