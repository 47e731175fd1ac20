#pragma once
// Frequency weighting of the incoming audio (curve 0 none, 1 A, 2 B, 3 C) by
// fixed-coefficient IIR filters, one per curve and channel, chosen from the
// stored sets of the sample rate. A base of both analysis services.
//
// Threads: SetUpWeighting (allocates) and SelectWeighting run on the UI
// thread; ApplyWeighting runs on the real-time thread and is real-time safe.
// The owner must keep them from overlapping (the analysis services hold their
// guard mutex around all three).

#include "analysis/QVXIIRFilter.h"

#include <array>
#include <memory>
#include <span>
#include <vector>

class QVXWeightingProcessor
{
public:
    static constexpr int kCurveCount = 4; // none, A, B, C

    QVXWeightingProcessor() = default;
    QVXWeightingProcessor(const QVXWeightingProcessor&) = delete;
    QVXWeightingProcessor& operator=(const QVXWeightingProcessor&) = delete;

    // Whether weighting sets exist for a rate: 32000, 44100, 48000, 88200,
    // 96000, 176400 or 192000 Hz.
    static bool IsWeightingSampleRate(int sampleRate) noexcept;

    // Rebuilds every filter for the channel count and rate, each from zero
    // history; at a rate without sets every curve copies its input. The current
    // curve stays selected. Returns whether the rate is supported.
    bool SetUpWeighting(int channels, int sampleRate);

    // Makes a curve current; a curve outside 0 .. 3 selects none. Changing the
    // curve clears the new curve's filter history; selecting the current curve
    // again keeps it.
    void SelectWeighting(int curve) noexcept;

    bool IsWeightingActive() const noexcept { return mCurve != 0; }
    bool IsWeightingSupported() const noexcept { return mSupported; }
    int GetWeightingCurve() const noexcept { return mCurve; }
    int GetWeightingSampleRate() const noexcept { return mSampleRate; }
    int GetWeightingChannelCount() const noexcept { return mChannels; }

    // Filters channel c from inputs[c] into outputs[c] (frames samples) with the
    // current curve's filter, for every channel that has a filter and both
    // pointers set. With no curve selected nothing is touched. Outputs may be
    // the inputs. Real-time safe.
    void ApplyWeighting(std::span<const float* const> inputs, std::span<float* const> outputs, int frames) noexcept;

protected:
    ~QVXWeightingProcessor() = default;

private:
    int mSampleRate = 0;
    int mChannels = 0;
    bool mSupported = false;
    int mCurve = 0;
    // Per curve, one filter per channel; curve 0 holds none.
    std::array<std::vector<std::unique_ptr<QVXIIRFilter>>, kCurveCount> mFilters;
};
