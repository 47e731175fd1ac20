#include "analysis/ThirdOctaveBank.h"

#include "analysis/ThirdOctaveCoefficients.h"

#include <algorithm>

namespace
{
BandFilter MakeBandFilter(const float* b, const float* a, std::int32_t order, std::int32_t length)
{
    BandFilter f;
    f.mB = b;
    f.mA = a;
    f.mOrder = order;
    f.mLength = length;
    f.mInvLength = 1.0f / static_cast<float>(length);
    return f;
}
} // namespace

bool BuildThirdOctaveBank(std::int32_t baseRate, ThirdOctaveBankPlan& plan, ThirdOctaveChannelBank& bank)
{
    plan = ThirdOctaveBankPlan{};
    bank = ThirdOctaveChannelBank{};
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(baseRate);
    if (!set)
        return false;

    const std::int32_t top = set->mTopBand;
    const auto bands = static_cast<std::size_t>(top + 1);
    plan.mBandCount = top + 1;
    plan.mRoutines.assign(bands, &ProcessBandSixthOrder);
    bank.mBandFilters.resize(bands);

    // Integration over 50 ms at the full rate, halved with the rate.
    std::int32_t length = baseRate / 20;
    plan.mRoutines[static_cast<std::size_t>(top)] = &ProcessBandGeneral;
    bank.mBandFilters[static_cast<std::size_t>(top)] =
        MakeBandFilter(set->mHighPassB.data(), set->mHighPassA.data(), 3, length);
    plan.mPlan.push_back(top);

    for (std::int32_t b = top - 1; b >= 0;)
    {
        for (std::size_t design = 0; design < 3 && b - static_cast<std::int32_t>(design) >= 0; ++design)
        {
            const std::int32_t k = b - static_cast<std::int32_t>(design);
            BandFilter& filter = bank.mBandFilters[static_cast<std::size_t>(k)];
            filter = MakeBandFilter(set->mBandPassB[design].data(), set->mBandPassA[design].data(), 6, length);
            plan.mPlan.push_back(k);
        }
        b -= 3;
        if (b < 0)
            break;
        plan.mPlan.push_back(-1);
        HalfRateDecimator decimator;
        decimator.mB = set->mDecimatorB.data();
        decimator.mA = set->mDecimatorA.data();
        bank.mDecimators.push_back(decimator);
        bank.mDecimatorPhases.push_back(0);
        length = std::max(length / 2, 1);
    }
    return true;
}
