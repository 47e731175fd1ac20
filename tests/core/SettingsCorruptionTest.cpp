// A settings text comes back from project files and hosts: any damage to it is
// either loaded or reported, never a crash, a hang or a read past the text.
// What a refused text leaves of the state is tested with the plug-in's settings.

#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

// Every prefix of a text, and 400 texts with one byte damaged, are loaded or
// refused; whatever happened, the instance still saves a loadable text.
TEST(SettingsCorruption, EveryPrefixAndSingleByteDamageIsLoadedOrReported)
{
    RecordingPlatform platform;
    Quarvix source(platform, {2, 2}), target(platform, {2, 2});
    QVXSpecConfig& config = *source.GetGeneralService().GetSpecConfig();
    config.SetFftSize(4096);
    config.SetSpecGain(9.0f);
    QVXSpecConfig::MemSlotData curve;
    curve.mBands = 3;
    curve.mChannels = {{-3.0f, -6.0f, -9.0f}};
    config.SetMemSlotData(0, curve);
    const char* chunk = source.GetChunk(true); // the length is known only once the chunk is made
    const std::string text(chunk, source.GetChunkLength());
    ASSERT_GT(text.size(), 1000u);
    std::size_t refused = 0;
    for (std::size_t length = 0; length <= text.size(); ++length)
    {
        try
        {
            target.ReadSettingsOrThrow(text.substr(0, length)); // exact size: a read past it is an ASan report
        }
        catch (const std::exception&)
        {
            ++refused;
        }
    }
    EXPECT_GT(refused, text.size() / 2);
    EXPECT_LE(refused, text.size()) << "the whole text loads";

    std::mt19937 rng(2026);
    std::uniform_int_distribution<std::size_t> position(0, text.size() - 1);
    const char replacements[] = {'\0', '<', '>', '"', '/', '=', '9', '-', 'x', '\n', '\t', '\r', '\xff'};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof replacements - 1);
    for (int i = 0; i < 400; ++i)
    {
        std::string damaged = text;
        damaged[position(rng)] = replacements[pick(rng)];
        Quarvix loaded(platform, {2, 2}), check(platform, {2, 2});
        loaded.SetChunk(damaged.data(), static_cast<std::int32_t>(damaged.size()), true);
        const char* again = loaded.GetChunk(true);
        ASSERT_NE(again, nullptr);
        EXPECT_NO_THROW(check.ReadSettingsOrThrow(std::string(again, loaded.GetChunkLength())));
    }
    EXPECT_FALSE(platform.errors.empty());
}

} // namespace
