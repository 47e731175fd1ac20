// The bundle's descriptors on the real plug-in, called as an LV2 host calls
// them: instantiate with whatever features a host offers (or none), the
// block size taken from its options, run in place with the enabled port
// reaching the instance's bypass, and the audio back bit for bit. (Every
// frame count without features: Lv2AllocationTest.)

#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Instance.h"

#include "Lv2TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace
{

struct Lv2Handle
{
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;
    ~Lv2Handle()
    {
        if (handle)
            descriptor->cleanup(handle);
    }
    Lv2Instance& Instance() const { return *static_cast<Lv2Instance*>(handle); }
};

// A signal with the values a copy could lose: a denormal, -0, beyond full scale.
std::vector<float> Signal(std::size_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> signal(frames);
    for (float& sample : signal)
        sample = noise(random);
    if (frames > 3)
    {
        signal[0] = 1e-42f;
        signal[1] = -0.0f;
        signal[2] = 3.5f;
    }
    return signal;
}

bool SameBits(const std::vector<float>& a, const float* b, std::size_t frames)
{
    return std::memcmp(a.data(), b, frames * sizeof(float)) == 0;
}

class Lv2DescriptorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Instances read default settings through the registry under here: none.
        mConfig = std::filesystem::temp_directory_path() /
                  ("quarvix-lv2-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mConfig);
        ::setenv("XDG_CONFIG_HOME", mConfig.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(mConfig); }

    static void Instantiate(Lv2Handle& plugin, std::uint32_t index, double rate,
                            const LV2_Feature* const* features)
    {
        plugin.descriptor = QuarvixLv2Descriptor(index);
        ASSERT_NE(plugin.descriptor, nullptr);
        plugin.handle = plugin.descriptor->instantiate(plugin.descriptor, rate,
                                                       "/nowhere/quarvix.lv2/", features);
    }

    // Connects every port; audio to in/out, controls to the given values.
    static void Connect(Lv2Handle& plugin, std::vector<std::vector<float>>& in,
                        std::vector<std::vector<float>>& out, float& enabled, float& reset)
    {
        const auto& ports = plugin.Instance().GetPlugin().GetPorts();
        for (std::uint32_t index = 0; index < ports.size(); ++index)
        {
            const Lv2PortInfo& port = ports[index];
            void* data =
                port.role == Lv2PortRole::AudioInput
                    ? static_cast<void*>(in[static_cast<std::size_t>(port.channel)].data())
                : port.role == Lv2PortRole::AudioOutput
                    ? static_cast<void*>(out[static_cast<std::size_t>(port.channel)].data())
                : port.role == Lv2PortRole::Enabled ? static_cast<void*>(&enabled)
                                                    : static_cast<void*>(&reset);
            plugin.descriptor->connect_port(plugin.handle, index, data);
        }
    }

    std::filesystem::path mConfig;
};

TEST_F(Lv2DescriptorTest, DescriptorsAreTheMonoAndTheStereoPlugIn)
{
    ASSERT_NE(QuarvixLv2Descriptor(0), nullptr);
    ASSERT_NE(QuarvixLv2Descriptor(1), nullptr);
    EXPECT_STREQ(QuarvixLv2Descriptor(0)->URI, "https://corvanel.example/plugins/quarvix#mono");
    EXPECT_STREQ(QuarvixLv2Descriptor(1)->URI, "https://corvanel.example/plugins/quarvix#stereo");
    EXPECT_EQ(QuarvixLv2Descriptor(2), nullptr);
    EXPECT_NE(QuarvixLv2Descriptor(0)->extension_data(LV2_STATE__interface), nullptr);
    EXPECT_NE(QuarvixLv2Descriptor(0)->extension_data(LV2_WORKER__interface), nullptr);
    EXPECT_EQ(QuarvixLv2Descriptor(0)->extension_data("urn:nothing"), nullptr);

    for (std::uint32_t index : {0u, 1u})
    {
        Lv2Handle plugin;
        Instantiate(plugin, index, 44100.0, nullptr);
        ASSERT_NE(plugin.handle, nullptr);
        const HostLib::EffectInstance& instance = plugin.Instance().GetPlugin().GetInstance();
        EXPECT_EQ(instance.GetType().typeId, Lv2Identity::kPlugins[index].typeId);
        EXPECT_EQ(instance.GetSampleRate(), 44100.0);
        EXPECT_EQ(plugin.Instance().GetPlugin().GetPorts().size(), index == 0 ? 4u : 6u);
    }
}

TEST_F(Lv2DescriptorTest, BlockSizeComesFromTheHostsOptions)
{
    Lv2Test::UridMap map;
    auto blockSize = [&](std::initializer_list<const LV2_Feature*> list)
    {
        const Lv2Test::Features features(list);
        Lv2Handle plugin;
        Instantiate(plugin, 1, 48000.0, features.Get());
        return plugin.handle ? plugin.Instance().GetPlugin().GetInstance().GetBlockSize() : -1;
    };
    const Lv2Test::BlockOptions maxAndNominal(map, 512, 128);
    const Lv2Test::BlockOptions nominalOnly(map, 0, 300);
    const Lv2Test::BlockOptions huge(map, 1 << 24, 0);
    const Lv2Test::BlockOptions nonsense(map, -5, 0);
    EXPECT_EQ(blockSize({map.Feature(), maxAndNominal.Feature()}), 512);
    EXPECT_EQ(blockSize({map.Feature(), nominalOnly.Feature()}), 300);
    EXPECT_EQ(blockSize({map.Feature(), huge.Feature()}), Lv2Features::kMaxBlockSize);
    EXPECT_EQ(blockSize({map.Feature(), nonsense.Feature()}), Lv2Features::kDefaultBlockSize);
    // Options cannot be read without the map that names their keys.
    EXPECT_EQ(blockSize({maxAndNominal.Feature()}), Lv2Features::kDefaultBlockSize);
    EXPECT_EQ(blockSize({}), Lv2Features::kDefaultBlockSize);
}

TEST_F(Lv2DescriptorTest, RunsInPlaceAndBypassedAlike)
{
    Lv2Handle plugin;
    Instantiate(plugin, 1, 96000.0, nullptr);
    ASSERT_NE(plugin.handle, nullptr);
    const std::vector<float> left = Signal(20000, 7), right = Signal(20000, 8);
    // One buffer per channel for input and output, as hosts may connect them.
    std::vector<std::vector<float>> buffers{left, right};
    float enabled = 1.0f, reset = 0.0f;
    Connect(plugin, buffers, buffers, enabled, reset);
    const HostLib::EffectInstance& instance = plugin.Instance().GetPlugin().GetInstance();
    const std::int32_t bypass = instance.GetMasterBypassIndex();
    ASSERT_GT(bypass, 0);

    plugin.descriptor->run(plugin.handle, 5000);
    EXPECT_EQ(instance.GetControlValue(bypass), 0.0);
    enabled = 0.0f;
    plugin.descriptor->run(plugin.handle, 5000);
    // LV2's "disabled" is the plug-in's bypass on.
    EXPECT_EQ(instance.GetControlValue(bypass), 1.0);
    enabled = 1.0f;
    reset = 1.0f;
    plugin.descriptor->run(plugin.handle, 10000);
    EXPECT_EQ(instance.GetControlValue(bypass), 0.0);
    EXPECT_EQ(reset, 0.0f);
    EXPECT_TRUE(SameBits(left, buffers[0].data(), left.size()));
    EXPECT_TRUE(SameBits(right, buffers[1].data(), right.size()));
}

TEST_F(Lv2DescriptorTest, RefusedRateFailsInstantiateWithAReason)
{
    Lv2Test::UridMap map;
    Lv2Test::Log log(map);
    const Lv2Test::Features features({map.Feature(), log.Feature()});
    Lv2Handle low, high, fine;
    Instantiate(low, 0, 4000.0, features.Get());
    Instantiate(high, 1, 384000.0, features.Get());
    Instantiate(fine, 1, 192000.0, features.Get());
    EXPECT_EQ(low.handle, nullptr);
    EXPECT_EQ(high.handle, nullptr);
    EXPECT_NE(fine.handle, nullptr);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_NE(log.lines[0].find("error: The plug-in does not run at 4000"), std::string::npos)
        << log.lines[0];
    EXPECT_NE(log.lines[1].find("384000"), std::string::npos) << log.lines[1];
}

} // namespace
