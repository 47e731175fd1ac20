#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixSpecService.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

// A plug-in object with the general and the spectrum service attached, the
// frame pool in slot mode, and audio fed block by block.
class SpecServiceTest : public ::testing::Test
{
protected:
    void Build(ChannelConfig channels, float rate = 48000.0f, std::int32_t block = 1024)
    {
        mPlugin = std::make_unique<Quarvix>(mPlatform, channels);
        mConfig = mPlugin->GetGeneralService().GetSpecConfig();
        mService = &mPlugin->GetSpecService();
        mPlugin->SetSampleRate(rate);
        mPlugin->SetMaxBlockSize(block);
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
            {
                l[i] = left(mTime + i);
                r[i] = right(mTime + i);
            }
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

    // Starts afresh, feeds `frames` of `left` (right silent) and returns the
    // level of `bin` in channel A or B of the last frame.
    template <class L>
    double LevelAfter(std::int32_t frames, L left, std::int32_t n, std::int32_t bin, bool channelB = false)
    {
        mService->ResetAnalysis();
        for (auto* slot : TakeAll())
            mService->ReleaseSlot(*slot);
        mTime = 0;
        Feed(frames, left, [](std::int64_t) { return 0.0f; });
        const auto slots = TakeAll();
        EXPECT_FALSE(slots.empty());
        if (slots.empty())
            return 0.0;
        EXPECT_EQ(slots.back()->GetLength(), n);
        return BinLevel(channelB ? slots.back()->GetChannelB() : slots.back()->GetChannelA(), n, bin);
    }

    // Level of bin j of a stored transform of size n.
    static double BinLevel(std::span<const float> frame, std::int32_t n, std::int32_t j)
    {
        const double re = frame[static_cast<std::size_t>(2 * j)];
        const double im = j == 0 ? 0.0 : frame[static_cast<std::size_t>(2 * j + 1)];
        return 10.0 * std::log10(re * re + im * im) - 20.0 * std::log10(static_cast<double>(n));
    }

    RecordingPlatform mPlatform;
    std::unique_ptr<Quarvix> mPlugin;
    QVXSpecConfig* mConfig = nullptr;
    QuarvixSpecService* mService = nullptr;
    std::int32_t mBlock = 1024;
    std::int64_t mTime = 0;
};

auto Silence()
{
    return [](std::int64_t) { return 0.0f; };
}

auto CentredSine(std::int32_t bin, std::int32_t n)
{
    return [=](std::int64_t t) {
        return static_cast<float>(std::sin(2.0 * std::numbers::pi * bin * static_cast<double>(t % n) / n));
    };
}

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
    Feed(n, sine, Silence());
    const auto slots = TakeAll();
    ASSERT_FALSE(slots.empty());
    for (float v : slots.back()->GetChannelA())
        ASSERT_EQ(v, 0.0f) << "mode 1 stores zeros in A";
}

TEST_F(SpecServiceTest, HopsOverlapByHalfAWindowWhateverTheBlockSize)
{
    Build({1, 1}, 44100.0f, 64);
    EXPECT_EQ(mService->GetServiceName(), "QuarvixSpecService");
    mConfig->SetFftSize(512);
    EXPECT_EQ(mService->GetChannelMode(), QuarvixSpecService::kModeLeft) << "mono analyses its channel";
    // A window is analysed by the first block that writes past its end.
    Feed(512, Silence(), Silence());
    EXPECT_EQ(mService->GetFrameSequence(), 0u);
    Feed(64, Silence(), Silence());
    EXPECT_EQ(mService->GetFrameSequence(), 1u);
    Feed(256, Silence(), Silence());
    EXPECT_EQ(mService->GetFrameSequence(), 2u);
    for (auto* slot : TakeAll())
        mService->ReleaseSlot(*slot);
    mBlock = 1;
    Feed(256, Silence(), Silence());
    EXPECT_EQ(mService->GetFrameSequence(), 3u);
    // Blocks that do not divide the hop: still one frame per hop.
    mBlock = 7;
    Feed(256 * 20, Silence(), Silence());
    EXPECT_NEAR(static_cast<double>(mService->GetFrameSequence()), 23.0, 1.0);
}

TEST_F(SpecServiceTest, OldSizeFramesAreRecognisableAndNothingIsCapturedOutsideTheSpectrumViews)
{
    Build({2, 2});
    mConfig->SetFftSize(1024);
    Feed(2048, Silence(), Silence());
    mConfig->SetFftSize(4096);
    Feed(4096 + 2048, Silence(), Silence());
    const auto slots = TakeAll();
    ASSERT_GE(slots.size(), 2u);
    EXPECT_EQ(slots.front()->GetLength(), 1024);
    EXPECT_EQ(slots.back()->GetLength(), 4096);

    const auto sequence = mService->GetFrameSequence();
    mConfig->SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    Feed(8192, Silence(), Silence());
    EXPECT_EQ(mService->GetFrameSequence(), sequence);
}

TEST_F(SpecServiceTest, WeightingFollowsTheConfiguration)
{
    Build({2, 2});
    const std::int32_t n = 4096, bin = 9; // 105 Hz at 48 kHz
    mConfig->SetFftSize(n);
    mConfig->SetAnalysisChannel(QVXSpecConfig::kChLeft);
    mConfig->SetWinType(1);
    const double flat = LevelAfter(4 * n, CentredSine(bin, n), n, bin);
    mConfig->SetSpecWeighting(1); // A
    EXPECT_TRUE(mService->IsWeightingActive());
    EXPECT_NEAR(LevelAfter(4 * n, CentredSine(bin, n), n, bin) - flat, -18.5, 1.0) << "A weighting near 105 Hz";
    mConfig->SetSpecWeighting(7);
    EXPECT_FALSE(mService->IsWeightingActive());
}

} // namespace
