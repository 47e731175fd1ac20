// The slot pool and the meters are shared by the real-time thread and the UI
// thread without a lock; run under ThreadSanitizer these prove the hand-over.

#include "analysis/MeteringManager.h"
#include "analysis/SpecCaptureAgentDyn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

// Frame f holds f in every sample (channel B -f): a hand-over without release/acquire
// is reported by ThreadSanitizer, and in any build a torn or twice-taken frame fails.
TEST(CaptureAgentConcurrency, EveryTakenFrameIsWholeAndTakenOnce)
{
    constexpr int kFrames = 20000, kLength = 256;
    for (int channels : {1, 2})
    {
        SCOPED_TRACE(channels == 1 ? "one channel" : "two channels");
        SpecCaptureAgentDyn agent;
        agent.Configure(512, 8192, channels);
        agent.SetMode(SpecCaptureAgentDyn::kModeSlots);
        std::atomic<bool> done{false};
        std::jthread producer([&] {
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

        std::vector<bool> taken(kFrames + 1, false);
        std::vector<SpecCaptureAgentDyn::Slot*> full;
        for (bool finished = false; !finished;)
        {
            finished = done.load();
            agent.TakeFullSlots(full);
            for (SpecCaptureAgentDyn::Slot* slot : full)
            {
                const std::uint32_t f = slot->GetSequence();
                ASSERT_TRUE(f >= 1 && f <= kFrames && !taken[f]) << "frame " << f;
                taken[f] = true;
                const auto v = static_cast<float>(f);
                const auto a = slot->GetChannelA(), b = slot->GetChannelB();
                ASSERT_TRUE(slot->GetLength() == kLength && std::count(a.begin(), a.begin() + kLength, v) == kLength &&
                            (channels == 1 ? b.empty() : std::count(b.begin(), b.begin() + kLength, -v) == kLength))
                    << "frame " << f << " is torn";
                agent.ReleaseSlot(*slot);
            }
        }
        producer.join();
        EXPECT_EQ(agent.GetFrameSequence(), static_cast<std::uint32_t>(kFrames));
        // The first 32 frames always find a free slot.
        EXPECT_TRUE(std::all_of(taken.begin() + 1, taken.begin() + 33, [](bool t) { return t; }));
    }
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
