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

class SettingsCorruption : public ::testing::Test
{
protected:
    SettingsCorruption()
    {
        QVXSpecConfig& config = *mSource.GetGeneralService().GetSpecConfig();
        config.SetFftSize(4096);
        config.SetSpecGain(9.0f);
        QVXSpecConfig::MemSlotData curve;
        curve.mBands = 3;
        curve.mChannels = {{-3.0f, -6.0f, -9.0f}};
        config.SetMemSlotData(0, curve);
        const char* chunk = mSource.GetChunk(true);
        mText.assign(chunk, mSource.GetChunkLength());
    }
    RecordingPlatform mPlatform;
    Quarvix mSource{mPlatform, {2, 2}};
    std::string mText;
};

TEST_F(SettingsCorruption, EveryPrefixIsLoadedOrReported)
{
    ASSERT_GT(mText.size(), 1000u);
    Quarvix target(mPlatform, {2, 2});
    std::size_t loaded = 0, refused = 0;
    for (std::size_t length = 0; length <= mText.size(); ++length)
    {
        // An exact-size copy: reading one byte past it is an ASan report.
        const std::string prefix = mText.substr(0, length);
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
    EXPECT_GT(refused, mText.size() / 2);
}

TEST_F(SettingsCorruption, SingleByteDamageIsLoadedOrReported)
{
    std::mt19937 rng(2026);
    std::uniform_int_distribution<std::size_t> position(0, mText.size() - 1);
    const char replacements[] = {'\0', '<', '>', '"', '/', '=', '9', '-', 'x', '\n', '\t', '\r', '\xff'};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof replacements - 1);
    for (int i = 0; i < 400; ++i)
    {
        std::string damaged = mText;
        damaged[position(rng)] = replacements[pick(rng)];
        Quarvix target(mPlatform, {2, 2});
        target.SetChunk(damaged.data(), static_cast<std::int32_t>(damaged.size()), true);
        // Whatever happened, the instance still saves a loadable text.
        const char* again = target.GetChunk(true);
        ASSERT_NE(again, nullptr);
        Quarvix check(mPlatform, {2, 2});
        EXPECT_NO_THROW(check.ReadSettingsOrThrow(std::string(again, target.GetChunkLength())));
    }
    EXPECT_FALSE(mPlatform.errors.empty());
}

} // namespace
