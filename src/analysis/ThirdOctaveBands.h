#pragma once
// The 31 ISO third-octave bands from 20 Hz to 20 kHz. A band is addressed by
// its index k (0 to 30) or its ISO band number n = k + 13; k = 17 is 1 kHz.
//
// Threads: any; the table is constant and the lookups are pure.

#include <cstdint>
#include <string_view>

namespace ThirdOctaveBands
{
inline constexpr std::int32_t kBandCount = 31;
inline constexpr std::int32_t kFirstBand = 13;
inline constexpr std::int32_t kLastBand = 43;

// Exact mid-band frequency used for filter design: 1000 * 2^((k - 17) / 3) Hz.
double GetExactMidBandFrequency(std::int32_t index) noexcept;
// Nominal centre frequency (20, 25, 31, 40, ... 20000 Hz); 0 outside 0 .. 30.
float GetNominalFrequency(std::int32_t index) noexcept;
// "20", ..., "1k", "1.25k", ..., "20k"; "ERR" outside 0 .. 30.
std::string_view GetLabel(std::int32_t index) noexcept;
// The label at octave bands (31, 63, 125, ... 16k, 20k), else empty.
std::string_view GetAxisLabel(std::int32_t index) noexcept;

// Label of an ISO band number; "ERR" outside 13 .. 43.
std::string_view GetBandLabel(std::int32_t bandNumber) noexcept;
// ISO band number whose nominal centre is nearest to frequency; on equal
// distance the lower band wins.
std::int32_t GetNearestBand(float frequency) noexcept;
// The rates the bank is built for: 32000, 44100, 48000, 88200, 96000, 176400, 192000.
bool IsSupportedSampleRate(std::int32_t sampleRate) noexcept;
} // namespace ThirdOctaveBands
