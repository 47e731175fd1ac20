// run() stays off the heap and leaves the audio as it was: every frame count
// a host may pass (none, one, the block size, more than that), the enabled
// port switched, Reset pressed, with all the features a host may offer and
// with none.

#include "lv2/Lv2Instance.h"
#include "support/CountingAllocator.h"

#include "Lv2TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{

TEST(Lv2Allocation, RunNeverTouchesTheHeap)
{
    Lv2Test::UridMap map;
    Lv2Test::Worker worker;
    const Lv2Test::BlockOptions options(map, 512, 256);
    const Lv2Test::Features withEverything({map.Feature(), options.Feature(), worker.Feature()});

    for (const LV2_Feature* const* features :
         {static_cast<const LV2_Feature* const*>(nullptr), withEverything.Get()})
    {
        for (std::uint32_t index : {0u, 1u})
        {
            const LV2_Descriptor* descriptor = QuarvixLv2Descriptor(index);
            LV2_Handle handle = nullptr;
            // The counter sees the binary's allocations: making an instance allocates.
            EXPECT_GT(CountingAllocator::Count(
                          [&] {
                              handle = descriptor->instantiate(descriptor, 48000.0, "/nowhere/",
                                                               features);
                          }),
                      0);
            ASSERT_NE(handle, nullptr);
            const std::int32_t blockSize =
                static_cast<Lv2Instance*>(handle)->GetPlugin().GetInstance().GetBlockSize();
            const auto largest = static_cast<std::uint32_t>(3 * blockSize + 5);
            std::vector<float> left(largest), right(largest), outLeft(largest), outRight(largest);
            for (std::size_t i = 0; i < left.size(); ++i)
            {
                left[i] = 0.5f * std::sin(0.013f * static_cast<float>(i));
                right[i] = 0.3f * std::sin(0.21f * static_cast<float>(i));
            }
            float enabled = 1.0f, reset = 0.0f;
            const bool stereo = index == 1;
            std::uint32_t port = 0;
            descriptor->connect_port(handle, port++, left.data());
            if (stereo)
                descriptor->connect_port(handle, port++, right.data());
            descriptor->connect_port(handle, port++, outLeft.data());
            if (stereo)
                descriptor->connect_port(handle, port++, outRight.data());
            descriptor->connect_port(handle, port++, &enabled);
            descriptor->connect_port(handle, port++, &reset);

            const long allocations = CountingAllocator::Count(
                [&]
                {
                    for (int round = 0; round < 6; ++round)
                    {
                        enabled = round == 2 || round == 3 ? 0.0f : 1.0f;
                        reset = round % 2 == 0 ? 1.0f : 0.0f;
                        for (std::uint32_t frames :
                             {0u, 1u, static_cast<std::uint32_t>(blockSize), largest})
                            descriptor->run(handle, frames);
                    }
                });
            EXPECT_EQ(allocations, 0)
                << "descriptor " << index << (features ? " with features" : " without features");
            // The last call was the longest, cut into pieces: all of it came through unchanged.
            EXPECT_EQ(std::memcmp(outLeft.data(), left.data(), largest * sizeof(float)), 0);
            if (stereo)
            {
                EXPECT_EQ(std::memcmp(outRight.data(), right.data(), largest * sizeof(float)), 0);
            }
            descriptor->cleanup(handle);
        }
    }
    // Reset was pressed while a worker was offered: it was asked for.
    EXPECT_GT(worker.requests, 0);
}

} // namespace
