// The host library's render call and the process adaptor behind it stay off
// the heap: pieces, substituted channels, bypass changes between blocks.

#include "host/CVLGroup.h"
#include "support/CountingAllocator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using CountingAllocator::gAllocations;
using CountingAllocator::gCounting;

TEST(RenderAllocation, EngineRenderNeverTouchesTheHeap)
{
    CVLGroup group;
    ASSERT_EQ(group.Initialize(), 0);
    for (FourCharCode type : {CVLGroup::kStereoRealtimeType, CVLGroup::kMonoRealtimeType})
    {
        HostLib::EffectInstance* instance = group.GetEngine().CreateInstance(type);
        ASSERT_NE(instance, nullptr);
        ASSERT_EQ(instance->SetSampleRate(48000.0), HostLib::kEffectOK);
        ASSERT_EQ(instance->SetBlockSize(256), HostLib::kEffectOK);
        std::vector<float> left(48000), right(48000), outLeft(48000), outRight(48000);
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            left[i] = 0.5f * std::sin(0.013f * static_cast<float>(i));
            right[i] = 0.3f * std::sin(0.21f * static_cast<float>(i));
        }
        const float* inputs[] = {left.data(), right.data()};
        const float* missing[] = {nullptr, nullptr};
        float* outputs[] = {outLeft.data(), outRight.data()};
        float* someOutputs[] = {outLeft.data(), nullptr};

        gAllocations = 0;
        for (int round = 0; round < 4; ++round)
        {
            // Bypass is switched on the main thread between render calls.
            gCounting = false;
            ASSERT_EQ(instance->SetControlValue(instance->GetMasterBypassIndex(), round == 2 ? 1.0 : 0.0),
                      HostLib::kEffectOK);
            gCounting = true;
            instance->Render(inputs, outputs, 12000);
            instance->Render(missing, someOutputs, 1000);
            instance->Render(nullptr, outputs, 7);
        }
        gCounting = false;
        EXPECT_EQ(gAllocations.load(), 0);
        EXPECT_EQ(outLeft[5000], left[5000]);
        group.GetEngine().DestroyInstance(instance);
    }
}

} // namespace
