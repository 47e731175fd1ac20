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
    std::string texts[2];
    auto save = [](std::string& into) {
        std::vector<ColorSpec> colors(kObjects);
        into = Written([&](XMLArchive& archive) {
            for (auto& color : colors)
                WriteObject(archive, color, "c");
        });
    };
    std::thread first(save, std::ref(texts[0]));
    std::thread second(save, std::ref(texts[1]));
    first.join();
    second.join();
    std::set<std::uint64_t> all;
    for (const auto& text : texts)
    {
        const auto list = IdsIn(text);
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kObjects));
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), 2u * kObjects);
}
