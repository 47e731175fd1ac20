#include "platform/TickCount.h"

#include <gtest/gtest.h>

namespace
{
std::uint32_t gFakeNow = 0;
std::uint32_t FakeClock() { return gFakeNow; }
} // namespace

TEST(TickCount, ReplaceableSourceAndRestore)
{
    const auto previous = Platform::SetTickCountSource(&FakeClock);
    gFakeNow = 0xfffffff0u;
    EXPECT_EQ(Platform::GetTickCount(), 0xfffffff0u);
    gFakeNow += 0x20u; // wraps like the 32-bit counter it stands in for
    EXPECT_EQ(Platform::GetTickCount(), 0x10u);
    EXPECT_EQ(Platform::SetTickCountSource(previous), &FakeClock);
    // The system clock moves forward.
    const std::uint32_t a = Platform::GetTickCount();
    const std::uint32_t b = Platform::GetTickCount();
    EXPECT_LE(static_cast<std::int32_t>(a - b), 0);
}
