#include "platform/TickCount.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(TickCount, ReplaceableSourceAndRestore)
{
    {
        FakeClock clock;
        FakeClock::ms = 0xfffffff0u;
        EXPECT_EQ(Platform::GetTickCount(), 0xfffffff0u);
        FakeClock::ms += 0x20u; // wraps like the 32-bit counter it stands in for
        EXPECT_EQ(Platform::GetTickCount(), 0x10u);
        EXPECT_EQ(Platform::SetTickCountSource(&FakeClock::Now), &FakeClock::Now); // hands back the previous one
    }
    EXPECT_NE(Platform::SetTickCountSource(nullptr), &FakeClock::Now); // restored
    // The system source counts milliseconds: across a sleep it advances by
    // what a steady clock measured around it (a counter in other units, or
    // one that stood still, would not).
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const std::uint32_t a = Platform::GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::uint32_t b = Platform::GetTickCount();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(b - a, 29u);
    EXPECT_LE(b - a, static_cast<std::uint32_t>(elapsed) + 1u);
}
