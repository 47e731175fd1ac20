#pragma once
// Mix-in base of every class T that owns timers. T derives from TimerClient<T>,
// passes itself as the owner, and adds member functions `void T::Handler()` as
// timers under its own user ids. A handler reads GetFiringTimerUserId() to tell
// which of its timers fired. The destructor removes every timer.
//
// Threads: UI thread only. Not real-time safe.

#include "core/PluginServices.h"
#include "core/TimerManager.h"

#include <cstdint>
#include <map>

template <class T>
class TimerClient : public PluginServicesClient
{
public:
    using Handler = void (T::*)();

    // A user id added twice, or reset or suspended without having been added.
    class BadTimerUserId : public AppFrame::Exception
    {
    public:
        explicit BadTimerUserId(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::Exception(where)
        {
        }
        const char* what() const noexcept override { return "TimerClient::BadTimerUserId"; }
    };

    TimerClient(PluginServices* services, T* owner) : PluginServicesClient(services), mOwner(owner) {}

    virtual ~TimerClient()
    {
        while (!mEntries.empty())
            RemoveTimer(mEntries.begin()->first);
    }

    TimerClient(const TimerClient&) = delete;
    TimerClient& operator=(const TimerClient&) = delete;

    // type: TimerManager::Periodic or TimerManager::OneShot; period in ticks of 17 ms.
    void AddTimer(std::int32_t type, std::int32_t period, Handler handler, std::int32_t userId)
    {
        auto [entry, inserted] = mEntries.try_emplace(userId);
        if (!inserted)
            throw BadTimerUserId();
        try
        {
            entry->second.mUserId = userId;
            entry->second.mHandler = handler;
            entry->second.mTimer = GetTimerManager().CreateTimer(&TimerClient::Trampoline, userId,
                                                                 static_cast<void*>(this), type, period);
        }
        catch (...)
        {
            mEntries.erase(entry);
            throw;
        }
        // Map nodes do not move, so the entry's address is stable for its lifetime.
        TimerManager::SetBookkeeping(entry->second.mTimer, &entry->second);
    }

    // New period counted from now; re-arms a one-shot timer.
    void ResetTimer(std::int32_t userId, std::int32_t period)
    {
        GetTimerManager().ResetTimer(Find(userId).mTimer, period);
    }

    // Suspends (true) or resumes (false) without restarting the period.
    void SuspendTimer(std::int32_t userId, bool flag) { TimerManager::SuspendTimer(Find(userId).mTimer, flag); }

    // Removes the timer; an unknown user id is ignored. Safe from inside any
    // timer handler, including the removed timer's own.
    void RemoveTimer(std::int32_t userId) noexcept
    {
        const auto entry = mEntries.find(userId);
        if (entry == mEntries.end())
            return;
        TimerManager::TimerRecord* timer = entry->second.mTimer;
        mEntries.erase(entry);
        try
        {
            GetTimerManager().KillTimer(timer);
        }
        catch (...)
        {
            // No manager any more: it freed its timers when it went.
        }
    }

    bool HasTimer(std::int32_t userId) const noexcept { return mEntries.count(userId) != 0; }
    // The user id of the timer whose handler is running (or ran last).
    std::int32_t GetFiringTimerUserId() const noexcept { return mFiringUserId; }

private:
    struct Entry
    {
        std::int32_t mUserId = 0;
        TimerManager::TimerRecord* mTimer = nullptr;
        Handler mHandler = nullptr;
    };

    Entry& Find(std::int32_t userId)
    {
        const auto entry = mEntries.find(userId);
        if (entry == mEntries.end())
            throw BadTimerUserId();
        return entry->second;
    }

    static void Trampoline(TimerManager::TimerRecord* timer, std::int32_t userId, void* owner, std::int32_t)
    {
        auto* self = static_cast<TimerClient*>(owner);
        T* target = self ? self->mOwner : nullptr;
        if (!target)
            return;
        const auto* entry = static_cast<const Entry*>(TimerManager::GetBookkeeping(timer));
        self->mFiringUserId = userId;
        if (entry && entry->mHandler)
            (target->*(entry->mHandler))();
    }

    T* mOwner;
    std::map<std::int32_t, Entry> mEntries;
    std::int32_t mFiringUserId = 0;
};
