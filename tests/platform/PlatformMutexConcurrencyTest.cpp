#include "platform/PlatformMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// The real-time side only tries the mutex: it must never wait and must skip
// its work while the UI side holds the lock, and the data it guards must stay
// consistent.
TEST(PlatformMutex, TryLockNeverWaitsAndGuardsData)
{
    PlatformMutex mutex;
    int guarded = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> skipped{0};
    std::thread realtime([&] {
        while (!stop.load())
        {
            if (mutex.Lock(true))
            {
                ++guarded;
                mutex.Unlock();
            }
            else
            {
                skipped.fetch_add(1);
            }
        }
    });
    for (int i = 0; i < 2000; ++i)
    {
        PlatformMutexLock lock(mutex);
        guarded += 2;
    }
    stop = true;
    realtime.join();
    EXPECT_GE(guarded, 4000);

    mutex.Lock(false);
    std::thread other([&] { EXPECT_FALSE(mutex.Lock(true)); });
    other.join();
    mutex.Unlock();
}
