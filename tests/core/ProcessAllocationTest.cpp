// Nothing on the audio path may touch the heap: every allocation made while
// Process runs is counted.

#include "core/Quarvix.h"
#include "support/RecordingPlatform.h"
#include "support/TestCaptureAgent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void* CountedAllocate(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) { return CountedAllocate(size); }
void* operator new[](std::size_t size) { return CountedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace
{

TEST(ProcessAllocation, NoHeapUseInAnyBypassStateMonoOrStereo)
{
    for (const ChannelConfig config : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
    {
        RecordingPlatform platform;
        Quarvix plugin(platform, config);
        auto& agent = static_cast<TestCaptureAgent&>(
            plugin.AttachService(std::make_unique<TestCaptureAgent>()));
        plugin.SetSampleRate(48000.0f);
        plugin.SetMaxBlockSize(512);

        std::vector<std::vector<float>> in(2, std::vector<float>(1500, 0.25f));
        std::vector<std::vector<float>> out(2, std::vector<float>(1500, 0.0f));
        const float* inputs[] = {in[0].data(), in[1].data()};
        float* outputs[] = {out[0].data(), out[1].data()};
        // Every state: Active, EnteringBypass, Bypassed, LeavingBypass, and
        // the pass-through-only mode; with and without accumulate; blocks
        // both within and beyond the maximum block size.
        const std::int32_t modes[] = {0, 1, 1, 1, 0, 0, 2, 1, 0};
        const std::int32_t frames[] = {1, 64, 512, 1500};

        gAllocations = 0;
        gCounting = true;
        for (bool accumulate : {false, true})
            for (std::int32_t mode : modes)
                for (std::int32_t n : frames)
                {
                    plugin.SetSamplePosition(n);
                    plugin.Process(inputs, outputs, n, accumulate, mode);
                }
        gCounting = false;
        EXPECT_EQ(gAllocations.load(), 0) << "channels " << config.inputs;
        EXPECT_GT(agent.captureCount, 0);
    }
}

TEST(ProcessAllocation, CounterSeesAllocations)
{
    gAllocations = 0;
    gCounting = true;
    auto* p = new std::vector<int>(10);
    gCounting = false;
    delete p;
    EXPECT_GE(gAllocations.load(), 1);
}

} // namespace
