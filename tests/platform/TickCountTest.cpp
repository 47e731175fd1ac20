#include "platform/TickCount.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

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
    // The system clock moves forward.
    const std::uint32_t a = Platform::GetTickCount();
    const std::uint32_t b = Platform::GetTickCount();
    EXPECT_LE(static_cast<std::int32_t>(a - b), 0);
}
