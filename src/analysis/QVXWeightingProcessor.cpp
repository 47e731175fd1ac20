#include "analysis/QVXWeightingProcessor.h"

#include "analysis/QVXWeightingCoefficients.h"

#include <algorithm>

namespace
{
// The filter of an unsupported rate: b0 = a0 = 1, order 0, an exact copy.
constexpr double kUnity[] = {1.0};
} // namespace

bool QVXWeightingProcessor::IsWeightingSampleRate(int sampleRate) noexcept
{
    switch (sampleRate)
    {
    case 32000:
    case 44100:
    case 48000:
    case 88200:
    case 96000:
    case 176400:
    case 192000:
        return true;
    default:
        return false;
    }
}

bool QVXWeightingProcessor::SetUpWeighting(int channels, int sampleRate)
{
    mChannels = std::max(channels, 0);
    mSampleRate = sampleRate;
    for (auto& filters : mFilters)
        filters.clear();
    mSupported = IsWeightingSampleRate(sampleRate);

    for (int curve = 1; curve < kCurveCount; ++curve)
    {
        const QVXWeightingSet* set = mSupported ? QVXFindWeightingSet(curve, sampleRate) : nullptr;
        auto& filters = mFilters[static_cast<std::size_t>(curve)];
        filters.reserve(static_cast<std::size_t>(mChannels));
        for (int c = 0; c < mChannels; ++c)
            filters.push_back(set ? QVXIIRFilter::Create(set->b, set->a, set->order)
                                  : QVXIIRFilter::Create(kUnity, kUnity, 0));
    }
    return mSupported;
}

void QVXWeightingProcessor::SelectWeighting(int curve) noexcept
{
    if (curve < 0 || curve >= kCurveCount)
        curve = 0;
    if (curve == mCurve)
        return;
    for (auto& filter : mFilters[static_cast<std::size_t>(curve)])
        if (filter)
            filter->Reset(0.0);
    mCurve = curve;
}

void QVXWeightingProcessor::ApplyWeighting(std::span<const float* const> inputs, std::span<float* const> outputs,
                                           int frames) noexcept
{
    if (mCurve == 0 || frames <= 0)
        return;
    const auto& filters = mFilters[static_cast<std::size_t>(mCurve)];
    const std::size_t channels = std::min({inputs.size(), outputs.size(), filters.size()});
    const auto count = static_cast<std::size_t>(frames);
    for (std::size_t c = 0; c < channels; ++c)
        if (inputs[c] && outputs[c] && filters[c])
            filters[c]->Process(std::span(inputs[c], count), std::span(outputs[c], count));
}
