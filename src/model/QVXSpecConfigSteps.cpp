#include "model/QVXSpecConfigSteps.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace QVXSpecConfigSteps
{

namespace
{
// Each list covers its setting's whole range, in steps a listener can tell
// apart: fine where small changes are heard, coarse at the long end.
constexpr float kPeakHoldTimes[] = {-1.0f, 0.0f, 0.5f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 5.0f, 7.0f, 10.0f};
constexpr float kPeakDecays[] = {1.0f, 2.0f, 3.0f, 5.0f, 7.0f, 10.0f, 15.0f, 20.0f, 30.0f};
constexpr float kDecayTimes[] = {0.01f, 0.02f, 0.05f, 0.1f, 0.2f, 0.3f, 0.5f,
                                 0.75f, 1.0f,  1.5f,  2.0f, 3.0f, 5.0f, 10.0f};
constexpr float kAveragingTimes[] = {0.1f, 0.2f, 0.5f, 1.0f, 2.0f, 3.0f, 5.0f, 10.0f, 15.0f, 20.0f};

std::span<const float> ListOf(Setting setting) noexcept
{
    switch (setting)
    {
    case Setting::PeakHoldTime:
        return kPeakHoldTimes;
    case Setting::PeakDecay:
        return kPeakDecays;
    case Setting::InstantaneousDecayTime:
        return kDecayTimes;
    default:
        return kAveragingTimes;
    }
}
} // namespace

float Step(Setting setting, float value, std::int32_t direction) noexcept
{
    const std::span<const float> list = ListOf(setting);
    if (direction == 0 || !std::isfinite(value))
        return std::isfinite(value) ? value : list.front();
    // A hair of tolerance: a list value read back from text may be a float
    // rounding away from itself.
    const float tolerance = 1e-4f * std::max(1.0f, std::fabs(value));
    if (direction > 0)
    {
        for (float v : list)
            if (v > value + tolerance)
                return v;
        return list.back();
    }
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (*it < value - tolerance)
            return *it;
    return list.front();
}

} // namespace QVXSpecConfigSteps
