// One instance used as an LV2 host uses it: run() on its audio thread with
// the enabled and Reset ports moving, the worker's thread delivering the
// changes run() recorded, and the main thread saving and restoring state.
// The audio stays unchanged throughout; ThreadSanitizer watches the rest.

#include "lv2/Lv2Instance.h"

#include "Lv2TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace
{

TEST(Lv2Concurrency, RunBesideStateCallsAndTheWorker)
{
    const auto config =
        std::filesystem::temp_directory_path() / ("quarvix-lv2-conc-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    Lv2Test::UridMap map;
    // A worker that only counts requests; its thread runs them.
    std::atomic<int> requests{0};
    LV2_Worker_Schedule schedule{&requests,
                                 [](LV2_Worker_Schedule_Handle handle, std::uint32_t, const void*)
                                 {
                                     static_cast<std::atomic<int>*>(handle)->fetch_add(1);
                                     return LV2_WORKER_SUCCESS;
                                 }};
    const LV2_Feature scheduleFeature{LV2_WORKER__schedule, &schedule};
    const Lv2Test::BlockOptions options(map, 256, 256);
    const Lv2Test::Features features({map.Feature(), options.Feature(), &scheduleFeature});

    const LV2_Descriptor* descriptor = QuarvixLv2Descriptor(1);
    LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, "/nowhere/", features.Get());
    ASSERT_NE(handle, nullptr);
    const auto* state =
        static_cast<const LV2_State_Interface*>(descriptor->extension_data(LV2_STATE__interface));
    const auto* work =
        static_cast<const LV2_Worker_Interface*>(descriptor->extension_data(LV2_WORKER__interface));

    std::vector<float> left(256), right(256), outLeft(256), outRight(256);
    float enabled = 1.0f, reset = 0.0f;
    descriptor->connect_port(handle, 0, left.data());
    descriptor->connect_port(handle, 1, right.data());
    descriptor->connect_port(handle, 2, outLeft.data());
    descriptor->connect_port(handle, 3, outRight.data());
    descriptor->connect_port(handle, 4, &enabled);
    descriptor->connect_port(handle, 5, &reset);

    std::atomic<bool> done{false};
    // The audio keeps running until the main thread has saved and restored a
    // few times, however fast either side happens to be on this machine.
    std::atomic<int> saves{0};
    std::atomic<bool> stateFailed{false};
    std::atomic<int> differing{0};
    std::atomic<int> deliveries{0};
    std::thread audio(
        [&]
        {
            for (int block = 0; block < 3000 || (saves.load() < 20 && !stateFailed); ++block)
            {
                for (std::size_t i = 0; i < left.size(); ++i)
                {
                    left[i] =
                        static_cast<float>((block * 31 + static_cast<int>(i)) % 200) / 100.0f -
                        1.0f;
                    right[i] = -left[i];
                }
                enabled = block % 97 < 40 ? 0.0f : 1.0f;
                if (block % 13 == 0)
                    reset = 1.0f;
                descriptor->run(handle, 256);
                if (outLeft != left || outRight != right)
                    differing.fetch_add(1);
            }
            done = true;
        });
    std::thread worker(
        [&]
        {
            while (!done || requests.load() > 0)
            {
                if (requests.load() > 0)
                {
                    requests.fetch_sub(1);
                    work->work(handle, nullptr, nullptr, 0, nullptr);
                    deliveries.fetch_add(1);
                }
                else
                {
                    std::this_thread::yield();
                }
            }
        });

    while (!done && !stateFailed)
    {
        Lv2Test::StateStore store;
        const auto saved = state->save(handle, &Lv2Test::StateStore::Store, &store, 0, nullptr);
        const auto restored =
            state->restore(handle, &Lv2Test::StateStore::Retrieve, &store, 0, nullptr);
        EXPECT_EQ(saved, LV2_STATE_SUCCESS);
        EXPECT_EQ(restored, LV2_STATE_SUCCESS);
        if (saved != LV2_STATE_SUCCESS || restored != LV2_STATE_SUCCESS)
            stateFailed = true;
        saves.fetch_add(1);
    }
    audio.join();
    worker.join();
    descriptor->cleanup(handle);
    std::filesystem::remove_all(config);

    EXPECT_EQ(differing.load(), 0);
    EXPECT_GE(saves.load(), 20);
    EXPECT_GT(deliveries.load(), 0);
}

} // namespace
