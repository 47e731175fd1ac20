#include "core/TimerManager.h"

#include "platform/TickCount.h"

namespace
{
constexpr std::uint32_t MillisecondsPerTick = 17;
constexpr std::uint32_t KilledFlag = 1u << 0;
} // namespace

struct TimerManager::TimerRecord
{
    TimerRecord* mNext = nullptr;
    std::uint32_t mFlags = 0;
    Callback mCallback = nullptr;
    void* mOwner = nullptr;
    std::int32_t mUserId = 0;
    void* mBookkeeping = nullptr;
    std::int32_t mType = Periodic;
    std::int32_t mPeriod = 0;
    std::uint32_t mStartTick = 0;
    std::uint32_t mLastFiredTick = 0;
    std::int32_t mFireCount = 0;
    bool mSuspended = false;
};

TimerManager::~TimerManager()
{
    while (TimerRecord* timer = mTimers)
    {
        mTimers = timer->mNext;
        delete timer;
    }
}

TimerManager::TimerRecord* TimerManager::CreateTimer(Callback callback, std::int32_t userId, void* owner,
                                                     std::int32_t type, std::int32_t period)
{
    auto* timer = new TimerRecord;
    timer->mCallback = callback;
    timer->mOwner = owner;
    timer->mUserId = userId;
    timer->mType = type;
    timer->mPeriod = period;
    timer->mStartTick = timer->mLastFiredTick = GetCurrentTick();
    timer->mNext = mTimers;
    mTimers = timer;
    ++mTimerCount;
    return timer;
}

void TimerManager::KillTimer(TimerRecord* timer)
{
    if (!timer)
        return;
    TimerRecord** link = &mTimers;
    while (*link && *link != timer)
        link = &(*link)->mNext;
    if (!*link)
        throw BadTimer();
    if (mInTick)
    {
        // The pass may be standing on this record; it goes when the pass ends.
        timer->mFlags |= KilledFlag;
        mPendingRemoval = true;
        return;
    }
    *link = timer->mNext;
    delete timer;
    --mTimerCount;
}

void TimerManager::ResetTimer(TimerRecord* timer, std::int32_t period)
{
    if (!timer)
        return;
    timer->mPeriod = period;
    timer->mStartTick = timer->mLastFiredTick = GetCurrentTick();
    timer->mFireCount = 0;
}

void TimerManager::SuspendTimer(TimerRecord* timer, bool flag) noexcept
{
    if (timer)
        timer->mSuspended = flag;
}

void TimerManager::Tick()
{
    const std::uint32_t now = GetCurrentTick();
    if (!mTimers || mInTick)
        return;
    mInTick = true;
    // Records stay linked during the pass (kills are deferred) and new ones go
    // to the head behind us, so following mNext after a callback is safe.
    for (TimerRecord* timer = mTimers; timer; timer = timer->mNext)
    {
        if (timer->mSuspended || (timer->mFlags & KilledFlag) || !IsDue(timer, now))
            continue;
        if (timer->mType == Periodic)
        {
            ++timer->mFireCount;
            Fire(timer, now);
        }
        else if (timer->mType == OneShot && timer->mFireCount == 0)
        {
            timer->mFireCount = 1;
            Fire(timer, now);
        }
    }
    mInTick = false;
    if (mPendingRemoval)
        RemoveKilled();
}

void TimerManager::SetBookkeeping(TimerRecord* timer, void* bookkeeping) noexcept
{
    if (timer)
        timer->mBookkeeping = bookkeeping;
}

void* TimerManager::GetBookkeeping(const TimerRecord* timer) noexcept
{
    return timer ? timer->mBookkeeping : nullptr;
}

std::uint32_t TimerManager::GetCurrentTick() noexcept
{
    const std::uint32_t milliseconds = Platform::GetTickCount();
    if (!mClockStarted)
    {
        mClockStarted = true;
        mElapsedMilliseconds = milliseconds;
    }
    else
    {
        // Unsigned difference: correct across the counter's wrap.
        mElapsedMilliseconds += static_cast<std::uint32_t>(milliseconds - mLastMilliseconds);
    }
    mLastMilliseconds = milliseconds;
    return static_cast<std::uint32_t>(mElapsedMilliseconds / MillisecondsPerTick);
}

bool TimerManager::IsDue(const TimerRecord* timer, std::uint32_t now) noexcept
{
    // now >= last fired + period as a signed difference, so that the tick
    // count itself may wrap.
    const std::uint32_t due = timer->mLastFiredTick + static_cast<std::uint32_t>(timer->mPeriod);
    return static_cast<std::int32_t>(now - due) >= 0;
}

void TimerManager::Fire(TimerRecord* timer, std::uint32_t now) noexcept
{
    try
    {
        if (timer->mCallback)
            timer->mCallback(timer, timer->mUserId, timer->mOwner, static_cast<std::int32_t>(now - timer->mStartTick));
    }
    catch (...)
    {
        // One failing timer must not stop the others, nor the UI.
    }
    timer->mLastFiredTick = now;
}

void TimerManager::RemoveKilled() noexcept
{
    TimerRecord** link = &mTimers;
    while (*link)
    {
        TimerRecord* timer = *link;
        if (timer->mFlags & KilledFlag)
        {
            *link = timer->mNext;
            delete timer;
            --mTimerCount;
        }
        else
        {
            link = &timer->mNext;
        }
    }
    mPendingRemoval = false;
}
