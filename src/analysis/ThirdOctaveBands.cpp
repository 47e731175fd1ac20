#include "analysis/ThirdOctaveBands.h"

#include "analysis/QVXWeightingProcessor.h"

#include <array>
#include <cmath>

namespace ThirdOctaveBands
{
namespace
{
struct Band
{
    float mNominal;
    std::string_view mLabel;
    std::string_view mAxisLabel;
};

constexpr std::array<Band, kBandCount> kBands{{
    {20.0f, "20", ""},          {25.0f, "25", ""},       {31.0f, "31", "31"},     {40.0f, "40", ""},
    {50.0f, "50", ""},          {63.0f, "63", "63"},     {80.0f, "80", ""},       {100.0f, "100", ""},
    {125.0f, "125", "125"},     {160.0f, "160", ""},     {200.0f, "200", ""},     {250.0f, "250", "250"},
    {315.0f, "315", ""},        {400.0f, "400", ""},     {500.0f, "500", "500"},  {630.0f, "630", ""},
    {800.0f, "800", ""},        {1000.0f, "1k", "1k"},   {1250.0f, "1.25k", ""},  {1600.0f, "1.6k", ""},
    {2000.0f, "2k", "2k"},      {2500.0f, "2.5k", ""},   {3150.0f, "3.15k", ""},  {4000.0f, "4k", "4k"},
    {5000.0f, "5k", ""},        {6300.0f, "6.3k", ""},   {8000.0f, "8k", "8k"},   {10000.0f, "10k", ""},
    {12500.0f, "12.5k", ""},    {16000.0f, "16k", "16k"}, {20000.0f, "20k", "20k"},
}};

constexpr bool IsIndex(std::int32_t index) noexcept
{
    return index >= 0 && index < kBandCount;
}
} // namespace

double GetExactMidBandFrequency(std::int32_t index) noexcept
{
    return 1000.0 * std::exp2((index - 17) / 3.0);
}

float GetNominalFrequency(std::int32_t index) noexcept
{
    return IsIndex(index) ? kBands[static_cast<std::size_t>(index)].mNominal : 0.0f;
}

std::string_view GetLabel(std::int32_t index) noexcept
{
    return IsIndex(index) ? kBands[static_cast<std::size_t>(index)].mLabel : std::string_view("ERR");
}

std::string_view GetAxisLabel(std::int32_t index) noexcept
{
    return IsIndex(index) ? kBands[static_cast<std::size_t>(index)].mAxisLabel : std::string_view();
}

std::string_view GetBandLabel(std::int32_t bandNumber) noexcept
{
    return GetLabel(bandNumber - kFirstBand);
}

std::int32_t GetNearestBand(float frequency) noexcept
{
    std::int32_t best = 0;
    float bestDistance = std::fabs(frequency - kBands[0].mNominal);
    for (std::int32_t k = 1; k < kBandCount; ++k)
    {
        const float distance = std::fabs(frequency - kBands[static_cast<std::size_t>(k)].mNominal);
        // Strictly nearer only: on a tie the lower band stays.
        if (distance < bestDistance)
        {
            best = k;
            bestDistance = distance;
        }
    }
    return best + kFirstBand;
}

bool IsSupportedSampleRate(std::int32_t sampleRate) noexcept
{
    // The bank's rates are exactly those with weighting sets.
    return QVXWeightingProcessor::IsWeightingSampleRate(sampleRate);
}
} // namespace ThirdOctaveBands
