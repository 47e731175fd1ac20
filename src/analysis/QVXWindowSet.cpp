#include "analysis/QVXWindowSet.h"

#include <cmath>
#include <cstddef>

namespace
{
// The window formulas are evaluated with these rounded constants, not with the
// full double values of 2 pi, 4 pi and 6 pi, so that the stored windows stay
// the same floats from one build to the next.
constexpr double kTwoPi = 6.28318530717958;
constexpr double kFourPi = 12.56637061435916;
constexpr double kSixPi = 18.84955592153874;

double WindowValue(int type, double x)
{
    switch (type)
    {
    case 1:
        return 0.5 * (1.0 - std::cos(kTwoPi * x));
    case 2:
        return 0.35875 - 0.48829 * std::cos(kTwoPi * x) + 0.14128 * std::cos(kFourPi * x) -
               0.01168 * std::cos(kSixPi * x);
    case 3:
        return 0.2810638602 - 0.5208971735 * std::cos(kTwoPi * x) + 0.1980389663 * std::cos(kFourPi * x);
    default:
        return 1.0;
    }
}
} // namespace

void QVXWindowSet::BuildWindows(int n)
{
    const std::size_t size = n > 0 ? static_cast<std::size_t>(n) : 0;
    for (int type = 0; type < kWindowCount; ++type)
    {
        auto& w = mWindows[static_cast<std::size_t>(type)];
        w.resize(size);
        for (std::size_t i = 0; i < size; ++i)
        {
            const double x = size > 1 ? static_cast<double>(i) / static_cast<double>(size - 1) : 0.0;
            w[i] = size > 1 ? static_cast<float>(WindowValue(type, x)) : 1.0f;
        }
        double sum = 0.0;
        for (float v : w)
            sum += v;
        if (sum > 0.0)
        {
            const float factor = static_cast<float>(static_cast<double>(size) / sum);
            for (float& v : w)
                v *= factor;
        }
    }
}

std::span<const float> QVXWindowSet::GetWindow(int type) const noexcept
{
    if (type < 0 || type >= kWindowCount)
        type = 0;
    return mWindows[static_cast<std::size_t>(type)];
}

std::string_view QVXWindowSet::GetWindowName(int type) noexcept
{
    switch (type)
    {
    case 0:
        return "Boxcar";
    case 1:
        return "Hanning";
    case 2:
        return "Blackman-Harris (4-term)";
    case 3:
        return "Flat Top";
    default:
        return "N/A";
    }
}
