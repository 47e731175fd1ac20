// The core under a description of this suite's own, for what the analyzer's
// does not have: two programs, a parameter whose host changes need the
// platform's consent, and one parameter of each unit kind. The core takes its
// description from whatever links it.

#include "core/CVLPluginMetaClass.h"
#include "core/PluginCore.h"
#include "serialization/Archive.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

namespace
{
constexpr FourCharCode kArm = FourCC("arm ");
constexpr FourCharCode kGain = FourCC("gain");
bool gKeepsProgramTexts = false;

struct TwoProgramDescription : CVLPluginMetaClass
{
    TwoProgramDescription()
    {
        AddParameter({kArm, "prmArm", 1, 0.0f, 1.0f, 0.0f, 1.0f, 1, ParameterDescriptor::kFlagNeedsConfirmation, 2});
        AddParameter({kGain, "prmGain", 4, -12.0f, 12.0f, 0.0f, 0.0f, 0, 0, 1});
        for (std::int32_t unit : {0, 4, 6, 7, 8, 12})
            AddParameter({FourCC("unit") + static_cast<FourCharCode>(unit), "p", unit, -1e5f, 1e5f, 0, 0, 0, 0, 1});
        ParameterDescriptor custom(FourCC("cust"), "c", 4, 0, 1, 0, 1, 1, 0, 1);
        custom.SetCustomUnit("ms", true);
        AddParameter(std::move(custom));
    }
    std::unique_ptr<PluginCore> CreatePlugin(PluginPlatform&, const ChannelConfig&) const override { return nullptr; }
    std::string GetSignature() const override { return "QVX Two Programs"; }
    std::string GetName() const override { return GetSignature(); }
    std::string GetVersion() const override { return "0.1"; }
    std::string GetNotice() const override { return "Corvanel Sound"; }
    void GetIOConfigs(std::vector<ChannelConfig>& configs) const override { configs.push_back({1, 1}); }
    // Neither program has settings of its own yet.
    std::string GetFactoryPrograms() const override
    {
        return "<!-- Corvanel Sound QVX Two Programs Program Settings -->\n"
               "<program number=\"0\" name=\"First\">\n</program>\n"
               "<program number=\"1\" name=\"Second\">\n</program>\n";
    }
    bool KeepsProgramTexts() const override { return gKeepsProgramTexts; }
    std::int32_t NumberOfPrograms() const override { return 2; }
    std::string GetParameterName(FourCharCode) const override { return ""; }
};
} // namespace

CVLPluginMetaClass* AcquireDescription()
{
    static TwoProgramDescription description;
    return &description;
}

void ReleaseDescription() {}

namespace
{
using Deliveries = std::vector<std::pair<FourCharCode, float>>;

// A core whose whole state is one number; it counts the settings it loads and
// records the host changes delivered to it.
struct NumberCore : PluginCore
{
    using PluginCore::PluginCore;
    void SaveSatellites(Serialization::Archive& archive) override { archive.WriteInt("number", number); }
    void LoadSatellites(Serialization::Archive& archive) override
    {
        number = archive.ReadInt("number");
        ++loads;
    }
    void OnParameterChanged(const ParameterDescriptor& descriptor, float value) override
    {
        delivered.emplace_back(descriptor.GetId(), value);
    }
    std::int32_t number = 0;
    int loads = 0;
    Deliveries delivered;
};

// A program without settings of its own takes the current settings when it is
// selected, and they are applied; with program texts kept, the program left
// keeps the state it had, and selecting it again brings that state back.
TEST(OwnDescription, SelectingAnEmptyProgramGivesItTheCurrentSettings)
{
    RecordingPlatform platform;
    for (const bool keeps : {false, true})
    {
        SCOPED_TRACE(keeps ? "program texts kept" : "program texts not kept");
        gKeepsProgramTexts = keeps;
        NumberCore core(platform, {1, 1});
        ASSERT_EQ(core.GetProgramName(1), "Second");
        ASSERT_TRUE(core.GetProgramText(1).empty());
        core.number = 7;
        const std::string seven = core.GetChunk(true);
        core.SetCurrentProgram(1);
        EXPECT_EQ(std::tuple(core.GetCurrentProgram(), core.GetProgramText(1), core.number, core.loads),
                  std::tuple(1, seven, 7, 1));
        if (!keeps)
            continue;
        core.number = 5;
        core.SetCurrentProgram(0);
        EXPECT_EQ(std::pair(core.number, core.loads), std::pair(7, 2));
        core.SetCurrentProgram(1);
        EXPECT_EQ(std::pair(core.number, core.loads), std::pair(5, 3));
    }
    gKeepsProgramTexts = false;
    EXPECT_TRUE(platform.errors.empty());
}

// A program's number is taken as its magnitude: -1 is program 1. A number
// beyond the programs, or one whose magnitude a long cannot hold, is skipped;
// the current program was not in the text, so nothing is applied.
TEST(OwnDescription, ProgramNumbersAreTakenAsTheirMagnitude)
{
    RecordingPlatform platform;
    NumberCore core(platform, {1, 1});
    const std::string state = core.GetChunk(true);
    std::string text = "<!-- Corvanel Sound QVX Two Programs Program Settings -->\n";
    for (const char* number : {"-1", "2", "-9223372036854775808"})
        text += "<program number=\"" + std::string(number) + "\" name=\"" + number + "\">\n" + state + "</program>\n";
    core.SetChunk(text.data(), static_cast<std::int32_t>(text.size()), false);
    EXPECT_EQ(std::tuple(core.GetProgramName(0), core.GetProgramName(1), core.GetProgramText(1), core.loads),
              std::tuple("First", "-1", state, 0));
    EXPECT_TRUE(platform.errors.empty());
}

// The texts of values by unit, which the analyzer's reset switch does not reach.
TEST(OwnDescription, ValueTextsByUnitType)
{
    const CVLPluginMetaClass& description = *AcquireDescription();
    // No labels: one decimal; too long for the display: an asterisk, or nothing when no room at all.
    for (const auto& [index, value, room, text] :
         {std::tuple{2, 2.25f, -1, "2.2"}, {4, 1500.0f, -1, "2k"}, {4, 440.4f, -1, "440"}, {5, 0.125f, -1, "0.12"},
          {4, 12345.0f, 2, "*"}, {4, 12345.0f, 1, "*"}, {4, 12345.0f, 0, ""}})
        EXPECT_EQ(description.ParameterValueToText(index, value, room), text) << value << " in " << room;
    EXPECT_EQ(description.GetParameterUnits(3) + description.GetParameterUnits(4) + description.GetParameterUnits(8),
              "dBHzms");
    std::string text;
    description.DescribeAsText(text);
    EXPECT_NE(text.find(";IOConfigs = /1,1;"), std::string::npos) << text;
    EXPECT_NE(text.find(";NumberOfParameters = 9;"), std::string::npos) << text;
}

// The platform is asked, with the parameter's index, about flagged parameters
// only; a refused change is not queued and leaves every other one as it was.
TEST(OwnDescription, HostChangesOfAParameterNeedingConfirmationWaitForConsent)
{
    RecordingPlatform platform;
    NumberCore core(platform, {1, 1});
    platform.allowChanges = false;
    core.SetParameterById(kArm, 1.0f);
    core.SetParameterById(kGain, 3.0f);
    core.FlushHostParameterChanges();
    EXPECT_EQ(core.delivered, (Deliveries{{kGain, 3.0f}}));
    EXPECT_EQ(std::pair(platform.confirmationsAsked, core.GetBusyCount()), std::pair(std::vector<std::int32_t>{0}, 0));

    platform.allowChanges = true;
    core.SetParameterById(kArm, 1.0f);
    core.FlushHostParameterChanges();
    EXPECT_EQ(core.delivered, (Deliveries{{kGain, 3.0f}, {kArm, 1.0f}}));
    EXPECT_EQ(platform.confirmationsAsked, (std::vector<std::int32_t>{0, 0}));
}
} // namespace
