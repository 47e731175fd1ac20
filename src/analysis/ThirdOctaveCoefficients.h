#pragma once
// Constant coefficient tables of the third-octave filter bank: per base rate
// (32000, 44100, 48000 Hz) the top band's third-order high-pass, the three
// sixth-order band-passes of the bands just below it (reused at every halved
// rate below) and the seventh-order half-rate decimator; and the sixth-order
// pre-decimation lowpass filters for 88200, 96000 and 176400/192000 Hz.
// Regenerate and check them with tools/third_octave (quarvix-design-third-octave).
//
// Threads: any; the tables are immutable and live for the whole program.

#include <array>
#include <cstdint>

struct ThirdOctaveCoefficientSet
{
    std::int32_t mSampleRate;
    std::int32_t mTopBand; // 29 at 32000 Hz, 30 at 44100 and 48000 Hz
    std::array<float, 4> mHighPassB;
    std::array<float, 4> mHighPassA;
    // [0] band top - 1, [1] band top - 2, [2] band top - 3
    std::array<std::array<float, 7>, 3> mBandPassB;
    std::array<std::array<float, 7>, 3> mBandPassA;
    std::array<float, 8> mDecimatorB;
    std::array<float, 8> mDecimatorA;
};

struct ThirdOctavePreDecimationSet
{
    std::array<double, 7> mB;
    std::array<double, 7> mA; // a0 = 1
};

// The set of a base rate (32000, 44100, 48000), or nullptr.
const ThirdOctaveCoefficientSet* FindThirdOctaveCoefficients(int baseRate) noexcept;

// The pre-decimation lowpass of a rate (88200, 96000, 176400, 192000), or nullptr.
const ThirdOctavePreDecimationSet* FindThirdOctavePreDecimation(int sampleRate) noexcept;
