#pragma once
// The multirate third-octave bank of one base rate (32000, 44100 or 48000 Hz):
// the top band's high-pass at the full rate, then groups of three band-passes,
// each group one octave lower and run at half the rate of the one above,
// behind a half-rate decimator. The same three band-pass designs serve every
// octave because each halving of the rate halves their frequencies.
//
// The plan lists the work in order: a band index runs that band's filter over
// the current signal, -1 halves the rate. At 44100 and 48000 Hz it reads
// 30, 29, 28, 27, -1, 26, 25, 24, -1, ..., -1, 2, 1, 0.
//
// Threads: BuildThirdOctaveBank allocates (UI thread). RunThirdOctaveBank and
// RunThirdOctaveBankPair are real-time safe.

#include "analysis/ThirdOctaveFilters.h"

#include <cstdint>
#include <span>
#include <vector>

struct ThirdOctaveBankPlan
{
    std::int32_t mBandCount = 0;
    std::vector<std::int32_t> mPlan;
    std::vector<BandRoutine> mRoutines; // per band index
};

struct ThirdOctaveChannelBank
{
    std::vector<BandFilter> mBandFilters; // per band index
    std::vector<HalfRateDecimator> mDecimators;
    std::vector<std::int32_t> mDecimatorPhases;
};

// Builds the plan and one channel's filters for a base rate, every state
// zero. Returns false and leaves both empty for any other rate.
bool BuildThirdOctaveBank(std::int32_t baseRate, ThirdOctaveBankPlan& plan, ThirdOctaveChannelBank& bank);

// Walks the plan over one channel's block. The signal is halved into scratch
// (at least input.size() floats; it may be the input itself). For every band,
// sink(band index, peak, filter) is called right after the band's filter ran.
template <class Sink>
void RunThirdOctaveBank(const ThirdOctaveBankPlan& plan, ThirdOctaveChannelBank& bank, std::span<const float> input,
                        float* scratch, Sink&& sink) noexcept
{
    std::span<const float> signal = input;
    std::size_t decimator = 0;
    const std::size_t entries = plan.mPlan.size();
    for (std::size_t e = 0; e < entries;)
    {
        const std::int32_t entry = plan.mPlan[e];
        if (entry < 0)
        {
            const std::int32_t count = ProcessHalfRateDecimator(bank.mDecimators[decimator],
                                                                bank.mDecimatorPhases[decimator], signal, scratch);
            signal = std::span<const float>(scratch, static_cast<std::size_t>(count));
            ++decimator;
            ++e;
            continue;
        }
        // The sixth-order bands that follow each other at one rate run
        // together; they see the same signal.
        BandFilter* group[3];
        std::int32_t bands[3];
        std::size_t size = 0;
        while (size < 3 && e + size < entries && plan.mPlan[e + size] >= 0 &&
               plan.mRoutines[static_cast<std::size_t>(plan.mPlan[e + size])] == &ProcessBandSixthOrder)
        {
            bands[size] = plan.mPlan[e + size];
            group[size] = &bank.mBandFilters[static_cast<std::size_t>(bands[size])];
            ++size;
        }
        if (size == 0)
        {
            const auto k = static_cast<std::size_t>(entry);
            BandFilter& filter = bank.mBandFilters[k];
            const float peak = plan.mRoutines[k](filter, signal);
            sink(entry, peak, filter);
            ++e;
            continue;
        }
        float peaks[3];
        ProcessBandGroupSixthOrder(group, size, signal, peaks);
        for (std::size_t i = 0; i < size; ++i)
            sink(bands[i], peaks[i], *group[i]);
        e += size;
    }
}

// The same for two channels' banks of one plan, each over its own block of
// the same length, with the same results: the channels' filters run side by
// side (see ThirdOctaveFilters.h). sink(channel, band index, peak, filter).
template <class Sink>
void RunThirdOctaveBankPair(const ThirdOctaveBankPlan& plan, ThirdOctaveChannelBank& first,
                            ThirdOctaveChannelBank& second, std::span<const float> input0,
                            std::span<const float> input1, float* scratch0, float* scratch1, Sink&& sink) noexcept
{
    ThirdOctaveChannelBank* banks[2] = {&first, &second};
    std::span<const float> signal[2] = {input0, input1};
    float* scratch[2] = {scratch0, scratch1};
    std::size_t decimator = 0;
    const std::size_t entries = plan.mPlan.size();
    for (std::size_t e = 0; e < entries;)
    {
        const std::int32_t entry = plan.mPlan[e];
        if (entry < 0)
        {
            std::int32_t count[2];
            ProcessHalfRateDecimatorPair(first.mDecimators[decimator], second.mDecimators[decimator],
                                         first.mDecimatorPhases[decimator], second.mDecimatorPhases[decimator],
                                         signal[0], signal[1], scratch[0], scratch[1], count);
            for (std::size_t c = 0; c < 2; ++c)
                signal[c] = std::span<const float>(scratch[c], static_cast<std::size_t>(count[c]));
            ++decimator;
            ++e;
            continue;
        }
        BandFilter* group[2][3];
        std::int32_t bands[3];
        std::size_t size = 0;
        while (size < 3 && e + size < entries && plan.mPlan[e + size] >= 0 &&
               plan.mRoutines[static_cast<std::size_t>(plan.mPlan[e + size])] == &ProcessBandSixthOrder)
        {
            bands[size] = plan.mPlan[e + size];
            for (std::size_t c = 0; c < 2; ++c)
                group[c][size] = &banks[c]->mBandFilters[static_cast<std::size_t>(bands[size])];
            ++size;
        }
        if (size == 0)
        {
            const auto k = static_cast<std::size_t>(entry);
            float peaks[2];
            if (plan.mRoutines[k] == &ProcessBandGeneral)
            {
                ProcessBandGeneralPair(first.mBandFilters[k], second.mBandFilters[k], signal[0], signal[1], peaks);
            }
            else
            {
                for (std::size_t c = 0; c < 2; ++c)
                    peaks[c] = plan.mRoutines[k](banks[c]->mBandFilters[k], signal[c]);
            }
            for (std::size_t c = 0; c < 2; ++c)
                sink(static_cast<std::int32_t>(c), entry, peaks[c], banks[c]->mBandFilters[k]);
            ++e;
            continue;
        }
        float peaks[2][3];
        ProcessBandGroupSixthOrderPair(group[0], group[1], size, signal[0], signal[1], peaks[0], peaks[1]);
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t i = 0; i < size; ++i)
                sink(static_cast<std::int32_t>(c), bands[i], peaks[c][i], *group[c][i]);
        e += size;
    }
}
