#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "serialization/SerializationTestSupport.h"
#include "support/CountingAllocator.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <thread>

// The service allocates while it holds its guard mutex, so a hook on the next
// large allocation can act while the guard is held, or make it fail.
using CountingAllocator::ArmHook;

namespace
{

const auto Silence = [](std::int64_t) { return 0.0f; };

// A plug-in object with the general and the spectrum service attached, the
// frame pool in slot mode unless asked otherwise, and audio fed block by block.
class SpecServiceTest : public ::testing::Test
{
protected:
    void Build(ChannelConfig channels, float rate = 48000.0f, std::int32_t block = 1024, bool slots = true)
    {
        mPlugin = std::make_unique<Quarvix>(mPlatform, channels);
        mConfig = mPlugin->GetGeneralService().GetSpecConfig();
        mService = &mPlugin->GetSpecService();
        mPlugin->SetSampleRate(rate);
        mPlugin->SetMaxBlockSize(block);
        if (slots)
            mService->SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
        mBlock = block;
    }

    // Feeds `frames` samples of left(t) and right(t) through Process.
    template <class L, class R>
    void Feed(std::int32_t frames, L left, R right)
    {
        std::vector<float> l(static_cast<std::size_t>(mBlock)), r(l.size()), ol(l.size()), orr(l.size());
        for (std::int32_t done = 0; done < frames;)
        {
            const std::int32_t n = std::min(mBlock, frames - done);
            for (std::int32_t i = 0; i < n; ++i)
                std::tie(l[i], r[i]) = std::pair(left(mTime + i), right(mTime + i));
            const float* in[] = {l.data(), r.data()};
            float* out[] = {ol.data(), orr.data()};
            mPlugin->Process(in, out, n, false, 0);
            mTime += n;
            done += n;
        }
    }

    std::vector<SpecCaptureAgentDyn::Slot*> TakeAll()
    {
        std::vector<SpecCaptureAgentDyn::Slot*> slots;
        mService->TakeFullSlots(slots);
        return slots;
    }

    // Empty ring, no pending frame, time 0.
    void Restart()
    {
        mService->ResetAnalysis();
        for (auto* slot : TakeAll())
            mService->ReleaseSlot(*slot);
        mTime = 0;
    }

    // Starts afresh, feeds `frames` of `left` (right silent) and returns the
    // level of `bin` in channel A or B of the last frame.
    template <class L>
    double LevelAfter(std::int32_t frames, L left, std::int32_t n, std::int32_t bin, bool channelB = false)
    {
        Restart();
        Feed(frames, left, Silence);
        const auto slots = TakeAll();
        if (slots.empty() || slots.back()->GetLength() != n)
        {
            ADD_FAILURE() << "no frame of " << n;
            return 0.0;
        }
        return BinLevel(channelB ? slots.back()->GetChannelB() : slots.back()->GetChannelA(), n, bin);
    }

    // Level of bin j of a stored transform of size n.
    static double BinLevel(std::span<const float> frame, std::int32_t n, std::int32_t j)
    {
        const double re = frame[static_cast<std::size_t>(2 * j)];
        const double im = j == 0 ? 0.0 : frame[static_cast<std::size_t>(2 * j + 1)];
        return 10.0 * std::log10(re * re + im * im) - 20.0 * std::log10(static_cast<double>(n));
    }

    // Starts afresh and counts the frames analysed from `samples` of silence.
    std::uint32_t FramesFrom(std::int32_t samples)
    {
        Restart();
        const std::uint32_t before = mService->GetFrameSequence();
        Feed(samples, Silence, Silence);
        return mService->GetFrameSequence() - before;
    }

    void SetAnalysisOn(bool on) // the way a settings file does
    {
        mConfig->Load(*SerializationTest::Reader(SerializationTest::Written([on](auto& a) { a.WriteBool("mAnaEnabled", on); })));
    }

    RecordingPlatform mPlatform;
    std::unique_ptr<Quarvix> mPlugin;
    QVXSpecConfig* mConfig = nullptr;
    QuarvixSpecService* mService = nullptr;
    std::int32_t mBlock = 1024;
    std::int64_t mTime = 0;
};

auto CentredSine(std::int32_t bin, std::int32_t n)
{
    return [=](std::int64_t t) { return static_cast<float>(std::sin(2.0 * std::numbers::pi * bin * (t % n) / n)); };
}

auto Ramp(float start, float slope)
{
    return [=](std::int64_t t) { return start + slope * static_cast<float>(t); };
}

// Unweighted; A weighting takes 18.5 dB off near 105 Hz, and an unknown weighting nothing.
TEST_F(SpecServiceTest, FullScaleCentredSineReadsMinus6dBThroughEveryWindowAndSize)
{
    Build({2, 2});
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    for (std::int32_t n : {512, 1024, 2048, 4096, 8192})
    {
        mConfig->SetFftSize(n);
        ASSERT_EQ(mService->GetFftSize(), n);
        const std::int32_t bin = n / 8 + 3;
        for (std::int32_t window = 0; window < 4; ++window)
        {
            mConfig->SetWinType(window);
            EXPECT_NEAR(LevelAfter(n + n / 2, CentredSine(bin, n), n, bin), -6.0206, 0.01)
                << "N " << n << " window " << window;
        }
    }
    const std::int32_t n = 4096, bin = 9; // 105 Hz at 48 kHz
    mConfig->SetFftSize(n);
    mConfig->SetWinType(1);
    const double flat = LevelAfter(4 * n, CentredSine(bin, n), n, bin);
    mConfig->SetSpecWeighting(1); // A
    EXPECT_NEAR(LevelAfter(4 * n, CentredSine(bin, n), n, bin) - flat, -18.5, 1.0);
    mConfig->SetSpecWeighting(7);
    EXPECT_NEAR(LevelAfter(4 * n, CentredSine(bin, n), n, bin), flat, 0.01);
}

TEST_F(SpecServiceTest, ChannelModesFillTheChannelsOfAFrame)
{
    Build({2, 2});
    const std::int32_t n = 2048, bin = 100;
    mConfig->SetFftSize(n);
    mConfig->SetWinType(1);
    const auto sine = CentredSine(bin, n); // left only
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    const double leftLevel = LevelAfter(n + n / 2, sine, n, bin);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChSum);
    EXPECT_NEAR(LevelAfter(n + n / 2, sine, n, bin, true), leftLevel - 6.0206, 0.01);
    EXPECT_EQ(mService->GetChannelMode(), QuarvixSpecService::kModeSum);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChBoth);
    EXPECT_NEAR(LevelAfter(n + n / 2, sine, n, bin), leftLevel, 1e-3);

    mConfig->SetAnalysisChannel(QVXSpecConfig::kChRight);
    EXPECT_LT(LevelAfter(n + n / 2, sine, n, bin, true), -100.0) << "the right channel is silent";
    Feed(n, sine, Silence);
    const auto slots = TakeAll();
    ASSERT_FALSE(slots.empty());
    EXPECT_TRUE(std::ranges::all_of(slots.back()->GetChannelA(), [](float v) { return v == 0.0f; }))
        << "mode 1 stores zeros in A";

    Build({1, 1});
    EXPECT_EQ(mService->GetServiceName(), "QuarvixSpecService");
    EXPECT_EQ(mService->GetChannelMode(), QuarvixSpecService::kModeLeft) << "mono analyses its channel";
}

// With the left channel analysed, the second pass stores the right samples
// through the window without transforming them: through the rectangular
// window they come back exactly, so each frame must be the window of the hop
// grid, oldest first (and the left transform's DC term their sum); the ramps
// stay far from 0, where the 1e-20 anti-denormal offset would show. A window
// is analysed by the block that writes its last sample, whatever the block
// size, so the frames do not depend on how the host cuts the stream.
TEST_F(SpecServiceTest, EachFrameIsAWindowOfTheHopGridAnalysedByTheBlockThatCompletesIt)
{
    Build({2, 2}, 48000.0f, 256);
    const std::int32_t n = 512, hop = n / 2;
    mConfig->SetFftSize(n);
    mConfig->SetWinType(0);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    const auto left = Ramp(0.0f, 1.0f), right = Ramp(1000.0f, 2.0f);
    for (const std::int32_t block : {256, 64, 7, 1, 200})
    {
        SCOPED_TRACE("block " + std::to_string(block));
        mBlock = block;
        Restart();
        const std::uint32_t first = mService->GetFrameSequence();
        std::int64_t frames = 0;
        while (mTime + block <= 1800)
        {
            Feed(block, left, right);
            // Every window ending within this block, and no other.
            const std::int64_t due = mTime < n ? 0 : (mTime - n) / hop + 1;
            ASSERT_EQ(mService->GetFrameSequence(), first + due) << "at " << mTime;
            const auto slots = TakeAll();
            ASSERT_EQ(static_cast<std::int64_t>(slots.size()), due - frames) << "at " << mTime;
            for (auto* slot : slots)
            {
                const std::int64_t end = n + frames * hop;
                double sum = 0.0;
                for (std::int32_t i = 0; i < n; ++i)
                {
                    ASSERT_EQ(slot->GetChannelB()[i], right(end - n + i)) << "sample " << i << " of the window to " << end;
                    sum += left(end - n + i);
                }
                EXPECT_NEAR(slot->GetChannelA()[0], sum, 4.0) << "window to " << end;
                mService->ReleaseSlot(*slot);
                ++frames;
            }
        }
        EXPECT_EQ(frames, (1800 / block * block - n) / hop + 1);
    }
}

// The audio thread never waits for the guard: a block that arrives while the
// UI thread holds it is dropped, and the ring simply misses it.
TEST_F(SpecServiceTest, ABlockArrivingWhileTheGuardIsHeldIsDropped)
{
    Build({2, 2}, 48000.0f, 256, false);
    const std::int32_t n = 512;
    mConfig->SetFftSize(n);
    mConfig->SetWinType(0);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    const auto ramp = Ramp(1.0f, 1.0f);
    Feed(n, ramp, ramp);
    ASSERT_EQ(mService->GetFrameSequence(), 1u) << "counted, though not stored before slot mode";

    // Slot mode makes the slots under the guard; while their first buffer is
    // allocated the audio thread delivers samples 512 to 767.
    std::vector<float> dropped(256);
    std::iota(dropped.begin(), dropped.end(), ramp(512));
    bool delivered = false;
    ArmHook(QuarvixSpecService::kSlotLength * sizeof(float), [&] {
        std::thread audio([&] { mService->Capture({dropped.data(), dropped.data()}, 256); });
        audio.join();
        delivered = true;
    });
    mService->SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
    ASSERT_TRUE(delivered);
    EXPECT_EQ(mService->GetFrameSequence(), 1u) << "a block was analysed while the guard was held";

    mTime = 768;
    Feed(256, ramp, ramp);
    const auto slots = TakeAll();
    ASSERT_EQ(slots.size(), 1u);
    for (std::int32_t i = 0; i < n; ++i)
        ASSERT_EQ(slots[0]->GetChannelB()[i], ramp(i < 256 ? 256 + i : 512 + i)) << "sample " << i;
}

// An allocation failing while the transform is prepared for a new size
// reaches the caller; the old size stays and the guard is free again. The next
// attempt succeeds, and frames still pending keep the size they were made at.
TEST_F(SpecServiceTest, AFailedReconfigurationLeavesTheOldSizeAndTheGuardFree)
{
    Build({2, 2}, 48000.0f, 256);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    ASSERT_EQ(mService->GetFftSize(), 2048);
    mConfig->SetFftSize(4096, false);
    // The first allocation this large is the cosine table of the new size.
    ArmHook((4096 / 4 + 1) * sizeof(float), [] { throw std::bad_alloc(); });
    EXPECT_THROW(mService->Reconfigure(), std::bad_alloc);
    EXPECT_EQ(mService->GetFftSize(), 2048);
    // The old size still analyses: real spectra, not untransformed samples.
    Feed(4096, CentredSine(20, 2048), Silence);
    const auto before = TakeAll();
    ASSERT_FALSE(before.empty()) << "the guard stayed locked";
    EXPECT_NEAR(BinLevel(before.back()->GetChannelA(), 2048, 20), -6.0206, 0.01);

    mService->Reconfigure();
    ASSERT_EQ(mService->GetFftSize(), 4096);
    Feed(6144, CentredSine(40, 4096), Silence);
    const auto slots = TakeAll();
    EXPECT_EQ(slots.front()->GetLength(), 2048);
    EXPECT_EQ(slots.back()->GetLength(), 4096);
    EXPECT_NEAR(BinLevel(slots.back()->GetChannelA(), 4096, 40), -6.0206, 0.01);
}

TEST_F(SpecServiceTest, CaptureRunsOnlyInTheSpectrumViewsWithAnalysisOnAndSomeoneListening)
{
    Build({2, 2});
    mConfig->SetFftSize(1024);
    // From an empty ring, 2048 samples in blocks of 1024 complete three windows.
    EXPECT_EQ(FramesFrom(2048), 3u) << "spectrum";
    mConfig->SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    mConfig->SetFftSize(1024);
    EXPECT_EQ(FramesFrom(2048), 3u) << "spectrogram";
    mConfig->SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    EXPECT_EQ(FramesFrom(2048), 0u) << "third-octave";
    mConfig->SetSpectrumView(QVXSpecConfig::kAnaFFT);
    SetAnalysisOn(false);
    EXPECT_EQ(FramesFrom(2048), 0u) << "analysis off";
    SetAnalysisOn(true);
    {
        // Which clients make a service active is tested with the clients themselves.
        QuarvixServiceClient<QuarvixSpecService> display(mService, false);
        EXPECT_EQ(FramesFrom(2048), 0u) << "only an inactive client";
    }
    EXPECT_EQ(FramesFrom(2048), 3u) << "no client left";
}

} // namespace
