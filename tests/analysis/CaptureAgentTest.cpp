#include "analysis/MeteringManager.h"
#include "analysis/SpecCaptureAgentDyn.h"
#include "base/Exceptions.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace
{
class SlotAgentTest : public ::testing::Test
{
protected:
    SlotAgentTest()
    {
        mAgent.Configure(1024, 8192, 2);
        mAgent.SetMode(SpecCaptureAgentDyn::kModeSlots);
    }
    // A frame of two ramps, channel B the negated start; `zerosInA` as StoreFrame takes it.
    void Produce(int length, float start, bool zerosInA = false)
    {
        std::vector<float> a(static_cast<std::size_t>(length)), b(a.size());
        std::iota(a.begin(), a.end(), start);
        std::iota(b.begin(), b.end(), -start);
        mAgent.StoreFrame(0, length, a.data(), zerosInA);
        mAgent.StoreFrame(1, length, b.data(), false);
    }
    std::size_t Take()
    {
        mAgent.TakeFullSlots(mFull);
        return mFull.size();
    }
    SpecCaptureAgentDyn mAgent;
    std::vector<SpecCaptureAgentDyn::Slot*> mFull;
};

TEST_F(SlotAgentTest, ThirtyThirdFrameWithoutConsumerIsDroppedAndFreedSlotsRefillLowestFirst)
{
    ASSERT_EQ(mAgent.GetSlotCount(), 32);
    for (int i = 0; i < 33; ++i)
        Produce(16, static_cast<float>(i * 100));
    ASSERT_EQ(Take(), 32u);
    EXPECT_EQ(mFull[31]->GetSequence(), 32u) << "the 33rd frame was dropped";
    EXPECT_EQ(std::pair(mFull[0]->GetChannelA()[1], mFull[0]->GetChannelB()[1]), std::pair(1.0f, 1.0f));
    EXPECT_EQ(mAgent.GetFrameSequence(), 33u);

    // Free slots 3 and 7: the next two frames go there, lowest first.
    mAgent.ReleaseSlot(*mFull[7]);
    mAgent.ReleaseSlot(*mFull[3]);
    mAgent.ReleaseSlot(*mFull[3]); // twice is once
    for (float start : {5000.0f, 6000.0f, 7000.0f}) // no room for the third
        Produce(16, start);
    ASSERT_EQ(Take(), 32u);
    EXPECT_EQ(std::tuple(mFull[3]->GetChannelA()[0], mFull[3]->GetSequence(), mFull[7]->GetChannelA()[0]),
              std::tuple(5000.0f, 34u, 6000.0f));
}

// A frame of an older, smaller size is known by its length; A holds zeros on request.
TEST_F(SlotAgentTest, FramesKeepTheirLengthAndAreStoredOnlyWhileEnabled)
{
    Produce(512, 1.0f);
    Produce(1024, 9.0f, true);
    Produce(16384, 1.0f);
    mAgent.SetEnabled(false);
    Produce(64, 2.0f);
    ASSERT_EQ(Take(), 2u);
    EXPECT_EQ(std::tuple(mFull[0]->GetLength(), mFull[1]->GetLength(), mFull[1]->GetChannelA()[5], mFull[1]->GetChannelB()[5]),
              std::tuple(512, 1024, 0.0f, -4.0f));
    mAgent.SetEnabled(true);
    EXPECT_EQ(Take(), 0u);
    Produce(64, 3.0f);
    EXPECT_EQ(Take(), 1u);
}

TEST_F(SlotAgentTest, IdleModeStoresNothingButCountsFramesAndMonoCompletesOnChannelA)
{
    mAgent.SetMode(SpecCaptureAgentDyn::kModeIdle);
    mAgent.Configure(256, 8192, 1);
    Produce(32, 0.0f);
    EXPECT_FALSE(mAgent.TakeFullSlots(mFull));
    EXPECT_EQ(mAgent.GetFrameSequence(), 1u);
    mAgent.SetMode(SpecCaptureAgentDyn::kModeSlots);
    Produce(32, 0.0f);
    ASSERT_EQ(Take(), 1u);
    EXPECT_EQ(std::pair(mFull[0]->GetChannelB().empty(), mFull[0]->GetChannelA()[31]), std::pair(true, 31.0f));
}

TEST(Metering, PeakHoldKeepsUnreadPeaksHoldTimeFallsBackAndReadersAreBounded)
{
    FakeClock clock;
    MeteringManager manager(true);
    MeterReader& meter = manager.AddMeter();
    EXPECT_EQ(meter.Read(), -1000.0f) << "reset value 0.0, below 1e-6";
    manager.Publish(0.5f);
    manager.Publish(0.25f); // smaller, unread peak stays
    EXPECT_NEAR(meter.Read(), 20.0 * std::log10(0.5), 1e-4);
    manager.Publish(0.25f); // read since: replaced
    EXPECT_NEAR(meter.Read(), 20.0 * std::log10(0.25), 1e-4);
    manager.Publish(1.0f, false);
    manager.Publish(0.1f, false); // without peak hold the latest wins
    EXPECT_NEAR(meter.Read(), -20.0, 1e-4);
    EXPECT_EQ(manager.GetLevel(), 0.1f);
    meter.SetDecayRate(-6.0f);
    EXPECT_EQ(meter.GetDecayRate(), 6.0f);

    // Values already in dB: past its hold time a value falls back to the reset value.
    MeteringManager db(false);
    MeterReader& held = db.AddMeter();
    held.SetHoldTime(30);
    db.Publish(-12.0f);
    FakeClock::ms += 30 * 17;
    EXPECT_EQ(held.Read(), -12.0f) << "not yet later than the hold time of 30 ticks";
    FakeClock::ms += 17;
    EXPECT_EQ(held.Read(), -1000.0f);
    MeterReader& forever = db.AddMeter();
    db.Publish(-3.0f);
    FakeClock::ms += 100000 * 17;
    EXPECT_EQ(forever.Read(), -3.0f);

    for (std::size_t i = 2; i < MeteringManager::kMaxMeters; ++i)
        db.AddMeter();
    EXPECT_THROW(db.AddMeter(), AppFrame::ResAlloc);
}

} // namespace
