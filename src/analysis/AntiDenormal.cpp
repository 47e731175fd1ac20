#include "analysis/AntiDenormal.h"

#include <atomic>
#include <bit>

namespace
{
constexpr std::uint32_t kMultiplier = 1234567u;
constexpr std::uint32_t kIncrement = 890123u;

std::atomic<std::uint32_t> gAntiDenormalState{1};

float ValueOf(std::uint32_t state) noexcept
{
    // Keep the sign and a few exponent and mantissa bits; force the exponent
    // into the range of about 1e-20.
    return std::bit_cast<float>((state & 0x9e7f0000u) | 0x1e000000u);
}

// The generator's step taken `count` times, as one step x -> a x + c
// (modulo 2^32), by squaring the step.
struct Step
{
    std::uint32_t a = 1;
    std::uint32_t c = 0;
};
Step Power(std::uint32_t count) noexcept
{
    Step result;
    Step square{kMultiplier, kIncrement};
    for (; count != 0; count >>= 1)
    {
        if (count & 1u)
            result = {result.a * square.a, result.c * square.a + square.c};
        square = {square.a * square.a, square.c * square.a + square.c};
    }
    return result;
}
} // namespace

float NextAntiDenormal() noexcept
{
    std::uint32_t state = gAntiDenormalState.load(std::memory_order_relaxed);
    std::uint32_t next;
    do
    {
        next = state * kMultiplier + kIncrement;
    } while (!gAntiDenormalState.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return ValueOf(next);
}

AntiDenormalRun::AntiDenormalRun(std::uint32_t count) noexcept
{
    const Step skip = Power(count);
    std::uint32_t state = gAntiDenormalState.load(std::memory_order_relaxed);
    while (!gAntiDenormalState.compare_exchange_weak(state, state * skip.a + skip.c, std::memory_order_relaxed))
    {
    }
    mState = state;
}

float AntiDenormalRun::Next() noexcept
{
    mState = mState * kMultiplier + kIncrement;
    return ValueOf(mState);
}

void ResetAntiDenormal(std::uint32_t state) noexcept
{
    gAntiDenormalState.store(state, std::memory_order_relaxed);
}
