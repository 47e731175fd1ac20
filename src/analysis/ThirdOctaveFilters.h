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
// Peak: the largest |y| of the block, crests between samples included. A
// band runs at its octave's rate, its centre at 0.2 to 0.4 of that rate, so
// its samples can miss a steady tone's crest by far: at a third of the rate by
// up to 1.25 dB, at a quarter by 3 dB. Around the largest output of every
// stretch of up to 256 the signal is interpolated at eighths of a sample (a
// windowed sinc over kPeakTaps outputs), which finds the crest. The kernel
// needs kPeakTaps / 2 outputs after the one it looks around, so a block's
// peak covers its outputs up to kPeakTaps / 2 before its end and the rest
// count in the next block; mRecent carries them over.
//
// HalfRateDecimator: the seventh-order lowpass run before each halving of the
// rate; it keeps every second output.
//
// Each routine has a Pair form that runs two channels' records side by side
// over two signals of the same length, with the same results as one call per
// channel: the recursions are bound by their latency, and two independent
// ones share it. Given signals of different lengths it makes the two calls.
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
    static constexpr std::size_t kPeakTaps = 16;

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
    // The last kPeakTaps outputs, oldest first: the peak between samples
    // looks around the older half of them in the next block.
    std::array<float, kPeakTaps> mRecent{};
};

// A band routine filters a block and returns its peak (0 for an empty block);
// mRms becomes the largest window RMS completed in the block, or stays as it
// was when none completed.
using BandRoutine = float (*)(BandFilter& filter, std::span<const float> x) noexcept;

// Any order up to 7.
float ProcessBandGeneral(BandFilter& filter, std::span<const float> x) noexcept;
// Order 6 only, written out for speed.
float ProcessBandSixthOrder(BandFilter& filter, std::span<const float> x) noexcept;
// The same for up to four band filters fed with the same signal (the bands
// of one octave), run side by side when their input histories and windows are
// equal (one by one otherwise). peaks receives each band's block peak.
void ProcessBandGroupSixthOrder(BandFilter* const* filters, std::size_t count, std::span<const float> x,
                                float* peaks) noexcept;

// Pair forms (see above); a pair of general filters must be of one order.
void ProcessBandGeneralPair(BandFilter& first, BandFilter& second, std::span<const float> x0,
                            std::span<const float> x1, float* peaks) noexcept;
void ProcessBandGroupSixthOrderPair(BandFilter* const* first, BandFilter* const* second, std::size_t count,
                                    std::span<const float> x0, std::span<const float> x1, float* peaks0,
                                    float* peaks1) noexcept;

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
// Pair form; written receives the two output counts.
void ProcessHalfRateDecimatorPair(HalfRateDecimator& first, HalfRateDecimator& second, std::int32_t& phase0,
                                  std::int32_t& phase1, std::span<const float> x0, std::span<const float> x1,
                                  float* out0, float* out1, std::int32_t* written) noexcept;

// Keeps one sample in factor, in place, counting with phase across blocks: each
// sample advances phase and the one that brings it to factor is kept (phase
// back to 0). Returns the samples kept.
std::int32_t CompactByFactor(float* samples, std::int32_t frames, std::int32_t factor, std::int32_t& phase) noexcept;
