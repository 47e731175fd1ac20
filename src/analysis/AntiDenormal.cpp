#include "analysis/AntiDenormal.h"

#include <atomic>
#include <bit>

namespace
{
std::atomic<std::uint32_t> gAntiDenormalState{1};
} // namespace

float NextAntiDenormal() noexcept
{
    std::uint32_t state = gAntiDenormalState.load(std::memory_order_relaxed);
    std::uint32_t next;
    do
    {
        next = state * 1234567u + 890123u;
    } while (!gAntiDenormalState.compare_exchange_weak(state, next, std::memory_order_relaxed));
    // Keep the sign and a few exponent and mantissa bits; force the exponent
    // into the range of about 1e-20.
    return std::bit_cast<float>((next & 0x9e7f0000u) | 0x1e000000u);
}

void ResetAntiDenormal(std::uint32_t state) noexcept
{
    gAntiDenormalState.store(state, std::memory_order_relaxed);
}
