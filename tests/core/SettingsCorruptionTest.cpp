// A settings text comes back from project files and hosts: any damage to it is
// either loaded or reported, never a crash, a hang or a read past the text.

#include "plugin/QVXGeneralSpecService.h"
#include "core/PluginCore.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

std::string SavedText(Quarvix& plugin)
{
    QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
    config.SetFftSize(4096);
    config.SetSpecGain(9.0f);
    QVXSpecConfig::MemSlotData curve;
    curve.mBands = 3;
    curve.mChannels = {{-3.0f, -6.0f, -9.0f}};
    config.SetMemSlotData(0, curve);
    const char* chunk = plugin.GetChunk(true);
    return std::string(chunk, plugin.GetChunkLength());
}

TEST(SettingsCorruption, EveryPrefixIsLoadedOrReported)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2});
    const std::string text = SavedText(source);
    ASSERT_GT(text.size(), 1000u);

    Quarvix target(platform, {2, 2});
    std::size_t loaded = 0;
    std::size_t refused = 0;
    for (std::size_t length = 0; length <= text.size(); ++length)
    {
        // An exact-size copy: reading one byte past it is an ASan report.
        const std::string prefix = text.substr(0, length);
        try
        {
            target.ReadSettingsOrThrow(prefix);
            ++loaded;
        }
        catch (const std::exception&)
        {
            ++refused;
        }
    }
    EXPECT_GE(loaded, 1u) << "the whole text loads";
    EXPECT_GT(refused, text.size() / 2);

    // Through the reporting path the state stays usable and the report is the
    // settings message.
    const std::string half = text.substr(0, text.size() / 2);
    EXPECT_FALSE(target.ReadSettings(half));
    ASSERT_FALSE(platform.errors.empty());
    EXPECT_EQ(platform.errors.back().title, PluginSettingsMessages::kUnableToLoad);
    EXPECT_EQ(platform.errors.back().message, PluginSettingsMessages::kCorrupted);
}

TEST(SettingsCorruption, SingleByteDamageIsLoadedOrReported)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2});
    const std::string text = SavedText(source);
    std::mt19937 rng(2026);
    std::uniform_int_distribution<std::size_t> position(0, text.size() - 1);
    const char replacements[] = {'\0', '<', '>', '"', '/', '=', '9', '-', 'x', '\n', '\t', '\r', '\xff'};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof replacements - 1);

    std::size_t reports = 0;
    for (int i = 0; i < 400; ++i)
    {
        std::string damaged = text;
        damaged[position(rng)] = replacements[pick(rng)];
        Quarvix target(platform, {2, 2});
        const std::size_t before = platform.errors.size();
        target.SetChunk(damaged.data(), static_cast<std::int32_t>(damaged.size()), true);
        reports += platform.errors.size() - before;
        // Whatever happened, the instance still saves a loadable text.
        const char* again = target.GetChunk(true);
        ASSERT_NE(again, nullptr);
        Quarvix check(platform, {2, 2});
        EXPECT_NO_THROW(check.ReadSettingsOrThrow(std::string(again, target.GetChunkLength())));
    }
    EXPECT_GT(reports, 0u);
}

} // namespace
