#pragma once
// The mutex shared by the UI thread and the real-time thread. The UI thread
// waits for it (Lock(false)); the real-time thread only ever tries it
// (Lock(true)) and skips its work when the UI thread holds it, so the audio
// thread never blocks.

#include <mutex>

class PlatformMutex
{
public:
    PlatformMutex() = default;
    PlatformMutex(const PlatformMutex&) = delete;
    PlatformMutex& operator=(const PlatformMutex&) = delete;

    // tryOnly: return at once, false when another thread holds the mutex.
    // Otherwise wait until it is acquired; always true.
    bool Lock(bool tryOnly = false)
    {
        if (tryOnly)
            return mMutex.try_lock();
        mMutex.lock();
        return true;
    }

    void Unlock() { mMutex.unlock(); }

private:
    std::mutex mMutex;
};

// Scoped waiting lock for the UI thread.
class PlatformMutexLock
{
public:
    explicit PlatformMutexLock(PlatformMutex& mutex) : mMutex(mutex) { mMutex.Lock(false); }
    ~PlatformMutexLock() { mMutex.Unlock(); }
    PlatformMutexLock(const PlatformMutexLock&) = delete;
    PlatformMutexLock& operator=(const PlatformMutexLock&) = delete;

private:
    PlatformMutex& mMutex;
};
