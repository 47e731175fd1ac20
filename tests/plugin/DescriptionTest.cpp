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

TEST_F(DescriptionTest, DescribesItselfCharacterForCharacter)
{
    std::string text;
    mDescription.DescribeAsText(text);
    EXPECT_EQ(text, std::string(Identity::kDescriptionText) + "CVLRtasQuarvixMetaClass");
}

// The product's and chunk's names and codes are checked where a host sees
// them (the adaptor's group and the host program's description).
TEST_F(DescriptionTest, IdentityNamesAndCodes)
{
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

    EXPECT_EQ(mDescription.ParameterValueToText(0, 0.0f, -1), "Off");
    EXPECT_EQ(mDescription.ParameterValueToText(0, 0.7f, 31), "On"); // rounded to a whole value
    EXPECT_EQ(mDescription.ParameterValueToText(0, 0.0f, 2), "Of");
    EXPECT_EQ(mDescription.ParameterValueToText(0, 0.0f, 0), "");
    EXPECT_EQ(mDescription.ParameterValueToText(1, 0.0f, -1), "");
    float value = -1.0f;
    EXPECT_TRUE(mDescription.ParameterTextToValue(0, "Off", value));
    EXPECT_EQ(value, 0.0f);
    EXPECT_TRUE(mDescription.ParameterTextToValue(0, "7", value));
    EXPECT_EQ(value, 1.0f); // clamped into the range
    EXPECT_FALSE(mDescription.ParameterTextToValue(0, "maybe", value));

    RecordingPlatform platform;
    for (const ChannelConfig config : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
        EXPECT_EQ(mDescription.CreatePlugin(platform, config)->GetChannelConfig(), config);
}

// A description with one parameter of each unit kind, to check the texts
// that the reset switch does not reach.
class UnitDescription : public CVLPluginMetaClass
{
public:
    UnitDescription()
    {
        const std::int32_t units[] = {0, 4, 6, 7, 8, 12};
        for (std::int32_t unit : units)
            AddParameter(ParameterDescriptor(FourCC("unit") + static_cast<FourCharCode>(unit), "p",
                                             unit, -100000.0f, 100000.0f, 0.0f, 0.0f, 0, 0, 1));
        ParameterDescriptor custom(FourCC("cust"), "c", 4, 0, 1, 0, 1, 1, 0, 1);
        custom.SetCustomUnit("ms", true);
        AddParameter(std::move(custom));
    }
    std::unique_ptr<PluginCore> CreatePlugin(PluginPlatform&, const ChannelConfig&) const override
    {
        return nullptr;
    }
    std::string GetSignature() const override { return "U"; }
    std::string GetName() const override { return "U"; }
    std::string GetVersion() const override { return "0"; }
    std::string GetNotice() const override { return ""; }
    void GetIOConfigs(std::vector<ChannelConfig>& configs) const override { configs.push_back({1, 2}); }
    std::string GetFactoryPrograms() const override { return ""; }
    bool KeepsProgramTexts() const override { return true; }
    std::int32_t NumberOfPrograms() const override { return 0; }
    std::string GetParameterName(FourCharCode) const override { return ""; }
};

TEST(DescriptionUnits, ValueTextsByUnitType)
{
    UnitDescription description;
    EXPECT_EQ(description.ParameterValueToText(0, 2.25f, -1), "2.2"); // no labels: one decimal
    EXPECT_EQ(description.ParameterValueToText(2, 1500.0f, -1), "2k");
    EXPECT_EQ(description.ParameterValueToText(2, 440.4f, -1), "440");
    EXPECT_EQ(description.ParameterValueToText(3, 0.125f, -1), "0.12");
    // Too long for the display: an asterisk, or nothing when no room at all.
    EXPECT_EQ(description.ParameterValueToText(2, 12345.0f, 2), "*");
    EXPECT_EQ(description.ParameterValueToText(2, 12345.0f, 0), "");
    EXPECT_EQ(description.GetParameterUnits(1) + description.GetParameterUnits(2) + description.GetParameterUnits(6),
              "dBHzms");
    std::string text;
    description.DescribeAsText(text);
    EXPECT_NE(text.find(";IOConfigs = /1,2;"), std::string::npos) << text;
    EXPECT_NE(text.find(";NumberOfParameters = 7;"), std::string::npos) << text;
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
