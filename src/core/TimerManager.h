#pragma once
// The software timers of one plug-in instance: redraws, blinking, polling of
// the analysis services. The UI root runs one pass (Tick) on every expiry of
// its 30 ms window timer and on every host idle call; with no editor open no
// timer fires.
//
// Time is counted in ticks of 17 ms (60 ticks = 1.02 s) from the platform
// millisecond counter. That counter wraps every 2^32 ms, and the counter divided
// by 17 would jump back at the wrap; the manager therefore accumulates elapsed
// milliseconds itself, so its ticks advance steadily across the wrap and
// compare as signed 32-bit differences.
//
// Threads: UI thread only. Not real-time safe (allocates, calls out to
// callbacks).

#include "base/Exceptions.h"

#include <cstdint>

class TimerManager
{
public:
    struct TimerRecord;

    // ticksSinceStart: ticks from the timer's creation or last reset to this pass.
    using Callback = void (*)(TimerRecord* timer, std::int32_t userId, void* owner, std::int32_t ticksSinceStart);

    // Timer types; any other value never fires.
    static constexpr std::int32_t Periodic = 0;
    static constexpr std::int32_t OneShot = 1;

    // A timer to remove is not in the manager's list.
    class BadTimer : public AppFrame::Exception
    {
    public:
        explicit BadTimer(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::Exception(where)
        {
        }
        const char* what() const noexcept override { return "TimerManager::BadTimer"; }
    };

    TimerManager() = default;
    ~TimerManager();

    TimerManager(const TimerManager&) = delete;
    TimerManager& operator=(const TimerManager&) = delete;

    // A new timer, counting its period from now. Allowed during Tick: it is
    // first considered in the next pass.
    TimerRecord* CreateTimer(Callback callback, std::int32_t userId, void* owner, std::int32_t type,
                             std::int32_t period);
    // Removes the timer; null is ignored. During Tick it only stops firing and
    // is removed when the pass ends. Throws BadTimer for a timer that is not
    // in the list.
    void KillTimer(TimerRecord* timer);
    // New period, counted from now; re-arms a one-shot timer.
    void ResetTimer(TimerRecord* timer, std::int32_t period);
    // A suspended timer does not fire; resuming does not restart its period.
    static void SuspendTimer(TimerRecord* timer, bool flag) noexcept;

    // One pass: every due timer fires once, newest first. The next period
    // counts from this pass (no catch-up). Callback exceptions are discarded.
    // A pass started from inside a callback does nothing.
    void Tick();

    // An opaque word the timer's owner keeps with it.
    static void SetBookkeeping(TimerRecord* timer, void* bookkeeping) noexcept;
    static void* GetBookkeeping(const TimerRecord* timer) noexcept;

    // Timers in the list, including killed ones awaiting the end of a pass.
    std::int32_t GetTimerCount() const noexcept { return mTimerCount; }
    // The current tick, as the due test sees it.
    std::uint32_t GetCurrentTick() noexcept;

private:
    static bool IsDue(const TimerRecord* timer, std::uint32_t now) noexcept;
    static void Fire(TimerRecord* timer, std::uint32_t now) noexcept;
    void RemoveKilled() noexcept;

    TimerRecord* mTimers = nullptr; // newest first
    std::int32_t mTimerCount = 0;
    bool mPendingRemoval = false;
    bool mInTick = false;

    // The clock: milliseconds accumulated since the first reading, started at
    // that reading's value so that ticks equal the counter / 17 until it wraps.
    bool mClockStarted = false;
    std::uint32_t mLastMilliseconds = 0;
    std::uint64_t mElapsedMilliseconds = 0;
};
