#include "core/TimerClient.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{

using Times = std::vector<std::uint32_t>;

// Records (user id, fake time) of every firing; an optional hook per user id runs after.
class Owner : public TimerClient<Owner>
{
public:
    explicit Owner(PluginServices* services) : TimerClient(services, this) {}
    void OnTimer()
    {
        mFired.push_back({GetFiringTimerUserId(), FakeClock::ms});
        if (const auto hook = mHooks.find(GetFiringTimerUserId()); hook != mHooks.end())
            hook->second();
    }
    // Milliseconds from `origin` to each firing of `userId` (unsigned: correct across the wrap).
    Times Elapsed(std::int32_t userId, std::uint32_t origin) const
    {
        Times times;
        for (const auto& [id, when] : mFired)
            if (id == userId)
                times.push_back(when - origin);
        return times;
    }
    std::vector<std::pair<std::int32_t, std::uint32_t>> mFired;
    std::map<std::int32_t, std::function<void()>> mHooks;
};

// 60 ticks of 17 ms are 1020 ms. With passes every 30 ms, the pass 34 x 30 =
// 1020 ms after the timer's reference pass is the first whose tick count is 60
// higher, whatever the phase of the 17 ms grid: firings are k x 1020 ms apart.
Times Multiples(std::uint32_t step, std::uint32_t count)
{
    Times v(count);
    std::ranges::generate(v, [step, k = 0u]() mutable { return step * ++k; });
    return v;
}

class Timers : public ::testing::Test
{
protected:
    Timers() { FakeClock::ms = mOrigin; }

    void Advance(std::uint32_t milliseconds)
    {
        for (std::uint32_t t = 0; t < milliseconds; t += 30)
        {
            FakeClock::ms += 30;
            mServices.GetTimerManager().Tick();
        }
    }

    static constexpr std::uint32_t mOrigin = 123457;
    FakeClock mClock;
    PluginServices mServices;
    Owner mOwner{&mServices};
};

TEST_F(Timers, PeriodicTimerFiresOncePerDuePassWithoutCatchUp)
{
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    Advance(10500);
    EXPECT_EQ(mOwner.Elapsed(1, mOrigin), Multiples(1020, 10));

    // A pass 5 s late fires once, and the next period counts from it.
    mOwner.mFired.clear();
    FakeClock::ms += 5000;
    const std::uint32_t late = FakeClock::ms;
    mServices.GetTimerManager().Tick();
    Advance(1500);
    EXPECT_EQ(mOwner.Elapsed(1, late), (Times{0, 1020}));

    // The same across the wrap of the millisecond counter, 3 s from now.
    Owner other(&mServices);
    FakeClock::ms = 0xffffffffu - 2999u;
    const std::uint32_t origin = FakeClock::ms;
    other.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    Advance(10500);
    EXPECT_EQ(other.Elapsed(1, origin), Multiples(1020, 10));
}

TEST_F(Timers, OneShotAndResetSuspendAndResume)
{
    mOwner.AddTimer(TimerManager::OneShot, 10, &Owner::OnTimer, 1);
    Advance(2000);
    mOwner.ResetTimer(1, 10);
    Advance(2000);
    EXPECT_EQ(std::pair(mOwner.mFired.size(), mOwner.HasTimer(1)), std::pair(2ul, true)) << "once per reset";

    // A suspended timer is silent and fires in the next pass after resuming.
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 2);
    mOwner.SuspendTimer(2, true);
    Advance(3000);
    EXPECT_TRUE(mOwner.Elapsed(2, 0).empty());
    mOwner.SuspendTimer(2, false);
    Advance(30);
    EXPECT_EQ(mOwner.Elapsed(2, 0).size(), 1u);
}

TEST_F(Timers, TimersKilledDuringAPassNeverFireAndAreGoneAfterIt)
{
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 2); // newer: runs first, kills 1
    mOwner.AddTimer(TimerManager::Periodic, 30, &Owner::OnTimer, 3);
    mOwner.mHooks[2] = [&] { mOwner.RemoveTimer(1); };
    mOwner.mHooks[3] = [&] { mOwner.RemoveTimer(3); };
    Advance(2100);
    EXPECT_EQ(std::tuple(mOwner.Elapsed(1, 0).size(), mOwner.Elapsed(2, 0).size(), mOwner.Elapsed(3, 0).size()),
              std::tuple(0u, 2u, 1u));
    EXPECT_EQ(mServices.GetTimerManager().GetTimerCount(), 1);

    // A client destroyed by another timer's handler: its due timers stay silent.
    auto doomed = std::make_unique<Owner>(&mServices);
    doomed->AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    Owner killer(&mServices);
    killer.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    killer.mHooks[1] = [&] { doomed.reset(); };
    Advance(1050);
    EXPECT_EQ(killer.mFired.size(), 1u);
    EXPECT_EQ(mServices.GetTimerManager().GetTimerCount(), 2);
}

// A throwing handler stops no other timer; a timer added during a pass is
// first considered in the next.
TEST_F(Timers, ThrowingHandlersAndTimersAddedDuringAPass)
{
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 2);
    mOwner.mHooks[2] = [] { throw std::runtime_error("timer"); };
    mOwner.AddTimer(TimerManager::OneShot, 60, &Owner::OnTimer, 3);
    mOwner.mHooks[3] = [&] { mOwner.AddTimer(TimerManager::OneShot, 0, &Owner::OnTimer, 9); };
    Advance(2100);
    EXPECT_EQ(mOwner.Elapsed(1, mOrigin), Multiples(1020, 2));
    EXPECT_EQ(mOwner.Elapsed(2, mOrigin), Multiples(1020, 2));
    EXPECT_EQ(mOwner.Elapsed(3, mOrigin), Times{1020});
    EXPECT_EQ(mOwner.Elapsed(9, mOrigin), Times{1050});
}

TEST_F(Timers, BadUserIdsAndForeignTimersAreRefused)
{
    mOwner.AddTimer(TimerManager::Periodic, 60, &Owner::OnTimer, 1);
    EXPECT_THROW(mOwner.AddTimer(TimerManager::Periodic, 10, &Owner::OnTimer, 1), Owner::BadTimerUserId);
    EXPECT_THROW(mOwner.ResetTimer(2, 10), Owner::BadTimerUserId);
    EXPECT_THROW(mOwner.SuspendTimer(2, true), Owner::BadTimerUserId);
    mOwner.RemoveTimer(2);
    Advance(1100);
    EXPECT_EQ(mOwner.Elapsed(1, mOrigin), Multiples(1020, 1)); // the first timer kept its period

    TimerManager other;
    auto* foreign = other.CreateTimer(nullptr, 5, nullptr, TimerManager::Periodic, 1);
    EXPECT_THROW(mServices.GetTimerManager().KillTimer(foreign), TimerManager::BadTimer);
    other.KillTimer(foreign);
    other.KillTimer(nullptr);
    EXPECT_EQ(other.GetTimerCount(), 0);
}

} // namespace
