#pragma once
// Replaces the millisecond tick source with a counter the test moves by hand,
// for as long as the object lives.

#include "platform/TickCount.h"

#include <cstdint>

struct FakeClock
{
    FakeClock() : mPrevious(Platform::SetTickCountSource(&Now)) {}
    ~FakeClock() { Platform::SetTickCountSource(mPrevious); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    static std::uint32_t Now() { return ms; }
    static inline std::uint32_t ms = 0;
    Platform::TickCountSource mPrevious;
};
