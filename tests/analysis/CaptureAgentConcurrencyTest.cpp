// The slot pool and the meters are shared by the real-time thread and the UI
// thread without a lock; run under ThreadSanitizer these prove the hand-over.

#include "analysis/MeteringManager.h"
#include "analysis/SpecCaptureAgentDyn.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(CaptureAgentConcurrency, EveryTakenFrameIsWholeAndInOrder)
{
    SpecCaptureAgentDyn agent;
    agent.Configure(512, 8192, 2);
    agent.SetMode(SpecCaptureAgentDyn::kModeSlots);
    constexpr int kFrames = 20000;
    constexpr int kLength = 256;
    std::atomic<bool> done{false};

    std::thread producer([&] {
        std::vector<float> a(kLength), b(kLength);
        for (int f = 1; f <= kFrames; ++f)
        {
            std::fill(a.begin(), a.end(), static_cast<float>(f));
            std::fill(b.begin(), b.end(), static_cast<float>(-f));
            agent.StoreFrame(0, kLength, a.data(), false);
            agent.StoreFrame(1, kLength, b.data(), false);
        }
        done = true;
    });

    std::vector<SpecCaptureAgentDyn::Slot*> full;
    long taken = 0;
    for (;;)
    {
        const bool finished = done.load();
        if (agent.TakeFullSlots(full))
        {
            for (SpecCaptureAgentDyn::Slot* slot : full)
            {
                const float value = static_cast<float>(slot->GetSequence());
                const auto a = slot->GetChannelA();
                const auto b = slot->GetChannelB();
                ASSERT_EQ(a[0], value);
                ASSERT_EQ(a[kLength - 1], value);
                ASSERT_EQ(b[kLength - 1], -value);
                agent.ReleaseSlot(*slot);
                ++taken;
            }
        }
        else if (finished)
        {
            break;
        }
    }
    producer.join();
    EXPECT_GT(taken, 0);
    EXPECT_LE(taken, kFrames);
}

TEST(MeteringConcurrency, PublishAndReadNeverTear)
{
    MeteringManager manager(false);
    MeterReader& meter = manager.AddMeter();
    std::atomic<bool> stop{false};
    std::thread publisher([&] {
        for (int i = 0; !stop.load(); i = (i + 1) % 100)
            manager.Publish(-static_cast<float>(i));
    });
    for (int i = 0; i < 20000; ++i)
    {
        const float v = meter.Read();
        ASSERT_TRUE(v == -1000.0f || (v <= 0.0f && v > -100.0f)) << v;
    }
    stop = true;
    publisher.join();
}
