#include "SerializationTestSupport.h"

#include <algorithm>
#include <set>
#include <thread>

using namespace SerializationTest;

// Two threads saving at once draw from the one process-wide id counter: every
// id is taken once, and each archive's ids still increase.
TEST(ObjectIdConcurrency, ParallelSavesShareOneCounter)
{
    constexpr int kObjects = 2000;
    std::vector<std::uint64_t> ids[2];
    auto save = [](std::vector<std::uint64_t>& into) {
        std::vector<ColorSpec> colors(kObjects);
        const std::string text = Written([&](XMLArchive& archive) {
            for (auto& color : colors)
                WriteObject(archive, color, "c");
        });
        into = IdsIn(text);
    };
    std::thread first(save, std::ref(ids[0]));
    std::thread second(save, std::ref(ids[1]));
    first.join();
    second.join();
    std::set<std::uint64_t> all;
    for (const auto& list : ids)
    {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kObjects));
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), 2u * kObjects);
}
