#include "core/PluginCore.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "support/ProductIdentity.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

namespace Identity = ProductIdentity;

class DescriptionTest : public ::testing::Test
{
protected:
    DescriptionUse mUse;
    CVLPluginMetaClass& mDescription = *mUse;
    RTASPluginMetaClassInterface& mHostFormat = dynamic_cast<RTASPluginMetaClassInterface&>(*mUse);
};

// The product's and chunk's names and codes are checked where a host sees
// them (the host program's description).
TEST_F(DescriptionTest, IdentityNamesAndCodes)
{
    std::string text;
    mDescription.DescribeAsText(text);
    EXPECT_EQ(text, std::string(Identity::kDescriptionText) + "CVLRtasQuarvixMetaClass");
    EXPECT_EQ(mDescription.GetManufacturer(), Identity::kManufacturer);
    EXPECT_EQ(mDescription.GetNotice(), "Copyright 2026 Corvanel Sound.");
    EXPECT_EQ(mDescription.GetPrefsName(), "CVL Quarvix Prefs");
    EXPECT_EQ(mHostFormat.GetMonoNames(), Identity::kMonoNames);
    EXPECT_EQ(mHostFormat.GetStereoNames(), Identity::kStereoNames);
    EXPECT_TRUE(mHostFormat.SupportsRealtimeProcessing() && !mHostFormat.SupportsOfflineProcessing());
    EXPECT_EQ(mDescription.GetFactoryPrograms(),
              "<!-- Corvanel Sound QVX Spectrum Analyzer Program Settings -->\n"
              "<plugin_programs>\n"
              "<program number=\"0\" name=\"QVX Spectrum Analyzer\">\n"
              "<obj_archive type=\"CVL Plugin Settings (Copyright 2026 Corvanel Sound.)\">\n"
              "</obj_archive>\n"
              "</program>\n"
              "</plugin_programs>\n");
}

TEST_F(DescriptionTest, ResetParameterLookupsAndTexts)
{
    const FourCharCode rest = FourCC("rest");
    const ParameterDescriptor* reset = mDescription.GetParameterByIndex(0);
    ASSERT_NE(reset, nullptr);
    EXPECT_EQ(mDescription.GetParameterByIndex(1), nullptr);
    EXPECT_EQ(std::tuple(reset->GetId(), reset->GetInternalName(), reset->GetUnitType()),
              std::tuple(rest, std::string("prmReset"), 1));
    EXPECT_EQ(reset->GetValueLabelTexts(), (std::vector<std::string>{"On;1", "Off;0"}));
    EXPECT_EQ(mDescription.FindParameterById(rest), reset);
    EXPECT_EQ(mDescription.FindParameterById(FourCC("none")), nullptr);
    EXPECT_EQ(mDescription.GetParameterIndex(FourCC("none")), -1);
    // The host-format layer names it at every length; the plain layer once.
    EXPECT_EQ(mDescription.GetParameterName(rest), "Reset\nRset\nRes");
    EXPECT_EQ(mDescription.GetParameterName(FourCC("none")), "<n/a>");
    auto& plain = dynamic_cast<CVLQuarvixMetaClass&>(mDescription);
    EXPECT_EQ(plain.CVLQuarvixMetaClass::GetParameterName(rest), "Reset");
    EXPECT_EQ(plain.CVLQuarvixMetaClass::GetParameterName(FourCC("none")), "INVALID ID");

    // 0.7 rounds to a whole value; the text is cut to the room given; no such index, no text.
    for (const auto& [index, value, room, text] : {std::tuple{0, 0.0f, -1, "Off"}, {0, 0.7f, 31, "On"},
                                                   {0, 0.0f, 2, "Of"}, {0, 0.0f, 0, ""}, {1, 0.0f, -1, ""}})
        EXPECT_EQ(mDescription.ParameterValueToText(index, value, room), text) << value << " in " << room;
    float off = -1.0f, clamped = -1.0f, kept = -1.0f;
    EXPECT_TRUE(mDescription.ParameterTextToValue(0, "Off", off) && mDescription.ParameterTextToValue(0, "7", clamped));
    EXPECT_FALSE(mDescription.ParameterTextToValue(0, "maybe", kept));
    EXPECT_EQ(std::pair(off, clamped), std::pair(0.0f, 1.0f)); // clamped into the range

    RecordingPlatform platform;
    for (const ChannelConfig config : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
        EXPECT_EQ(mDescription.CreatePlugin(platform, config)->GetChannelConfig(), config);
}

TEST(DescriptionSingleton, LivesWhileAnyUserHoldsIt)
{
    CVLPluginMetaClass* first = AcquireDescription();
    EXPECT_EQ(AcquireDescription(), first);
    ReleaseDescription();
    EXPECT_EQ(AcquireDescription(), first); // one use remained
    ReleaseDescription();
    ReleaseDescription();
}

} // namespace
