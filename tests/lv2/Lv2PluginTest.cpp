// The LV2 adaptor on a recording stand-in for the library's instance: which
// render calls a host's run() becomes, what the enabled port and the other
// control ports do to the instance's controls, and what the state calls
// hand to and take from its chunk.

#include "lv2/Lv2Plugin.h"
#include "host/ControlIds.h"
#include "lv2/Lv2Identity.h"

#include "Lv2TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using namespace HostLib;

class RecordingInstance final : public EffectInstance
{
public:
    static constexpr std::int32_t kBypass = 1;
    static constexpr std::int32_t kReset = 2;
    static constexpr std::int32_t kGain = 3;
    static constexpr FourCharCode kChunkId = 0x63767178; // 'cvqx'

    struct RenderCall
    {
        std::int32_t frames;
        const float* input0;
        float* output0;
        const float* input1;
    };

    explicit RecordingInstance(std::int32_t channels, std::int32_t blockSize)
        : mChannels(channels), mBlockSize(blockSize)
    {
    }

    EffectTypeInfo GetType() const override
    {
        EffectTypeInfo type;
        type.typeId = mChannels == 1 ? CVLGroup::kMonoRealtimeType : CVLGroup::kStereoRealtimeType;
        type.inputs = type.outputs = mChannels;
        return type;
    }
    EffectStatus SetSampleRate(double) override { return kEffectOK; }
    double GetSampleRate() const override { return 48000.0; }
    EffectStatus SetBlockSize(std::int32_t frames) override
    {
        mBlockSize = frames;
        return kEffectOK;
    }
    std::int32_t GetBlockSize() const override { return mBlockSize; }
    void Render(const float* const* inputs, float* const* outputs,
                std::int32_t frames) noexcept override
    {
        renders.push_back({frames, inputs[0], outputs[0], mChannels > 1 ? inputs[1] : nullptr});
    }
    EffectStatus BeginOfflinePass(std::int32_t) override { return kEffectErrNotOffline; }
    std::int32_t RenderOffline(const float* const*, float* const*, std::int32_t) override
    {
        return 0;
    }

    std::int32_t GetControlCount() const override { return 3; }
    EffectStatus GetControlInfo(std::int32_t index, EffectControlInfo& info) const override
    {
        info = {};
        if (index == kBypass)
        {
            info.id = 0x62797061; // 'bypa'
            info.names = "Master Bypass\nByp";
            info.kind = EffectControlKind::OnOff;
            info.maximum = 1.0;
            info.steps = 2;
        }
        else if (index == kReset)
        {
            info.id = ControlIdForIndex(0); // the description's first parameter, Reset
            info.names = "Reset\nRset\nRes";
            info.maximum = 1.0;
            info.steps = 2;
        }
        else if (index == kGain)
        {
            info.id = ControlIdForIndex(1);
            info.names = "Trim Gain (dB)";
            info.kind = EffectControlKind::Continuous;
            info.minimum = -12.0;
            info.maximum = 12.0;
        }
        else
        {
            return kEffectErrBadIndex;
        }
        return kEffectOK;
    }
    std::int32_t GetMasterBypassIndex() const override { return kBypass; }
    double GetControlValue(std::int32_t index) const override
    {
        return values[static_cast<std::size_t>(index)];
    }
    EffectStatus SetControlValue(std::int32_t index, double value) override
    {
        sets.emplace_back(index, value);
        values[static_cast<std::size_t>(index)] = value;
        return kEffectOK;
    }
    std::string GetControlValueText(std::int32_t index, double value, std::int32_t) const override
    {
        if (index == kReset)
            return value != 0.0 ? "On" : "Off";
        return std::to_string(value);
    }

    std::vector<EffectChunkInfo> GetChunks() const override
    {
        return {{kChunkId, "Quarvix Chunk v1"}};
    }
    std::int32_t GetChunkSize(FourCharCode) override
    {
        return static_cast<std::int32_t>(sizeof(CEffectChunkHeader) + settings.size());
    }
    EffectStatus GetChunk(FourCharCode id, std::vector<char>& chunk) override
    {
        if (id != kChunkId)
            return kEffectErrUnknownChunk;
        chunk.assign(sizeof(CEffectChunkHeader) + settings.size(), '\0');
        CEffectChunkHeader header;
        header.size = static_cast<std::int32_t>(chunk.size());
        WriteChunkHeader(chunk, header);
        std::copy(settings.begin(), settings.end(), chunk.begin() + sizeof header);
        return kEffectOK;
    }
    // Like the plug-in: a text it refuses is reported in a box and changes nothing.
    EffectStatus SetChunk(FourCharCode id, std::span<const char> chunk) override
    {
        ++setChunkCalls;
        if (id != kChunkId)
            return kEffectErrUnknownChunk;
        const CEffectChunkHeader header = ReadChunkHeader(chunk);
        const std::string text(chunk.data() + sizeof header,
                               static_cast<std::size_t>(header.size) - sizeof header);
        if (text.find("Corvanel") == std::string::npos)
        {
            EffectMessageBox box;
            box.caption = "Corvanel Sound: QVX Spectrum Analyzer";
            box.text = "Unable to load settings.\nThese are not valid settings.";
            Lv2HostServices::Get().ShowMessageBox(box);
            return kEffectOK;
        }
        settings = text;
        return kEffectOK;
    }
    EffectStatus OpenWindow(void*, std::int32_t, std::int32_t) override { return kEffectErrNoView; }
    EffectStatus CloseWindow() override { return kEffectErrNoView; }
    bool IsWindowOpen() const override { return false; }
    EffectStatus GetWindowSize(std::int32_t& width, std::int32_t& height) override
    {
        width = height = 0;
        return kEffectErrNoView;
    }
    EffectStatus DrawWindow(const HostRect&) override { return kEffectErrNoView; }
    EffectStatus IdleWindow() override { return kEffectErrNoView; }
    EffectStatus MouseDownInWindow(std::int32_t, std::int32_t) override { return kEffectErrNoView; }
    EffectStatus SetControlHighlight(std::int32_t, bool, std::int32_t) override
    {
        return kEffectErrNoView;
    }
    bool IsControlTouched(std::int32_t) const override { return false; }

    std::vector<RenderCall> renders;
    std::vector<std::pair<std::int32_t, double>> sets;
    std::array<double, 4> values{};
    std::string settings = "<!-- Corvanel Sound --> first";
    int setChunkCalls = 0;

private:
    std::int32_t mChannels;
    std::int32_t mBlockSize;
};

// Ports of the stand-in: audio, then enabled (bypass), reset, gain.
struct StereoPorts
{
    static constexpr std::uint32_t kEnabled = 4, kReset = 5, kGain = 6;
};

class Lv2PluginTest : public ::testing::Test
{
protected:
    std::unique_ptr<Lv2Plugin> Make(RecordingInstance& instance, const Lv2Features& features = {})
    {
        auto plugin = std::make_unique<Lv2Plugin>(instance, DescribeLv2Ports(instance), features);
        const std::size_t channels = static_cast<std::size_t>(instance.GetType().inputs);
        for (std::size_t c = 0; c < channels; ++c)
        {
            plugin->ConnectPort(static_cast<std::uint32_t>(c), in[c].data());
            plugin->ConnectPort(static_cast<std::uint32_t>(channels + c), out[c].data());
        }
        const std::uint32_t firstControl = static_cast<std::uint32_t>(2 * channels);
        plugin->ConnectPort(firstControl, &enabled);
        plugin->ConnectPort(firstControl + 1, &reset);
        plugin->ConnectPort(firstControl + 2, &gain);
        return plugin;
    }

    Lv2Features WithMap()
    {
        Lv2Features features;
        features.map = map.Get();
        return features;
    }

    std::array<std::vector<float>, 2> in{std::vector<float>(5000), std::vector<float>(5000)};
    std::array<std::vector<float>, 2> out{std::vector<float>(5000), std::vector<float>(5000)};
    float enabled = 1.0f;
    float reset = 0.0f;
    float gain = 0.0f;
    Lv2Test::UridMap map;
};

TEST_F(Lv2PluginTest, PortsFollowTheInstanceAudioFirstThenItsControls)
{
    RecordingInstance stereo(2, 64);
    const std::vector<Lv2PortInfo> ports = DescribeLv2Ports(stereo);
    ASSERT_EQ(ports.size(), 7u);
    const char* symbols[] = {"in_l", "in_r", "out_l", "out_r", "enabled", "reset", "trim_gain_db"};
    for (std::size_t i = 0; i < ports.size(); ++i)
        EXPECT_EQ(ports[i].symbol, symbols[i]) << i;
    EXPECT_EQ(ports[1].role, Lv2PortRole::AudioInput);
    EXPECT_EQ(ports[1].channel, 1);
    EXPECT_EQ(ports[3].role, Lv2PortRole::AudioOutput);

    // The bypass turned round: processing is 1 and the default.
    const Lv2PortInfo& enabledPort = ports[StereoPorts::kEnabled];
    EXPECT_EQ(enabledPort.role, Lv2PortRole::Enabled);
    EXPECT_EQ(enabledPort.controlIndex, RecordingInstance::kBypass);
    EXPECT_EQ(enabledPort.defaultValue, 1.0f);
    EXPECT_TRUE(enabledPort.toggled);

    // Reset is a button with its labelled values; the continuous control a plain number.
    const Lv2PortInfo& resetPort = ports[StereoPorts::kReset];
    EXPECT_EQ(resetPort.name, "Reset");
    EXPECT_TRUE(resetPort.trigger);
    EXPECT_TRUE(resetPort.toggled);
    ASSERT_EQ(resetPort.scalePoints.size(), 2u);
    EXPECT_EQ(resetPort.scalePoints[0], std::make_pair(0.0f, std::string("Off")));
    EXPECT_EQ(resetPort.scalePoints[1], std::make_pair(1.0f, std::string("On")));
    const Lv2PortInfo& gainPort = ports[StereoPorts::kGain];
    EXPECT_FALSE(gainPort.trigger || gainPort.toggled || gainPort.integer);
    EXPECT_EQ(gainPort.minimum, -12.0f);
    EXPECT_EQ(gainPort.maximum, 12.0f);

    RecordingInstance mono(1, 64);
    const std::vector<Lv2PortInfo> monoPorts = DescribeLv2Ports(mono);
    EXPECT_EQ(monoPorts[0].symbol, "in");
    EXPECT_EQ(monoPorts[1].symbol, "out");
    EXPECT_EQ(monoPorts[2].symbol, "enabled");

    EXPECT_EQ(Lv2Symbol("Master Bypass"), "master_bypass");
    EXPECT_EQ(Lv2Symbol("  3rd-Octave / Gain "), "p_3rd_octave_gain");
    EXPECT_EQ(Lv2Symbol("%%"), "p_");
}

TEST_F(Lv2PluginTest, RunRendersInPiecesOfAtMostTheBlockSize)
{
    RecordingInstance instance(2, 64);
    auto plugin = Make(instance);

    plugin->Run(0);
    EXPECT_TRUE(instance.renders.empty());

    plugin->Run(64);
    ASSERT_EQ(instance.renders.size(), 1u);
    EXPECT_EQ(instance.renders[0].frames, 64);
    EXPECT_EQ(instance.renders[0].input0, in[0].data());

    instance.renders.clear();
    plugin->Run(1000);
    ASSERT_EQ(instance.renders.size(), 16u); // 15 x 64 + 40
    std::int32_t total = 0;
    for (const auto& call : instance.renders)
    {
        EXPECT_LE(call.frames, 64);
        // Each piece starts where the last one ended, in every buffer.
        EXPECT_EQ(call.input0, in[0].data() + total);
        EXPECT_EQ(call.input1, in[1].data() + total);
        EXPECT_EQ(call.output0, out[0].data() + total);
        total += call.frames;
    }
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(instance.renders.back().frames, 40);

    // A port the host left unconnected reaches the library as a missing channel.
    instance.renders.clear();
    plugin->ConnectPort(0, nullptr);
    plugin->Run(100);
    ASSERT_EQ(instance.renders.size(), 2u);
    EXPECT_EQ(instance.renders[0].input0, nullptr);
    EXPECT_EQ(instance.renders[1].input0, nullptr);
    EXPECT_EQ(instance.renders[1].input1, in[1].data() + 64);
}

TEST_F(Lv2PluginTest, EnabledPortDrivesTheMasterBypassTurnedRound)
{
    RecordingInstance instance(1, 256);
    auto plugin = Make(instance);

    plugin->Run(16); // enabled = 1: processing, as the instance already is
    EXPECT_TRUE(instance.sets.empty());

    enabled = 0.0f;
    plugin->Run(16);
    ASSERT_EQ(instance.sets.size(), 1u);
    EXPECT_EQ(instance.sets[0], std::make_pair(RecordingInstance::kBypass, 1.0));
    plugin->Run(16); // unchanged: not set again
    EXPECT_EQ(instance.sets.size(), 1u);

    enabled = 1.0f;
    plugin->Run(0); // also a run without frames takes the switch
    ASSERT_EQ(instance.sets.size(), 2u);
    EXPECT_EQ(instance.sets[1], std::make_pair(RecordingInstance::kBypass, 0.0));

    // Anything above 0 processes; a NaN or a port the host did not connect
    // leaves the plug-in processing.
    enabled = 0.5f;
    plugin->Run(16);
    enabled = std::numeric_limits<float>::quiet_NaN();
    plugin->Run(16);
    EXPECT_EQ(instance.sets.size(), 2u);
    enabled = -1.0f;
    plugin->Run(16);
    ASSERT_EQ(instance.sets.size(), 3u);
    EXPECT_EQ(instance.sets[2].second, 1.0);
    plugin->ConnectPort(2, nullptr);
    plugin->Run(16);
    ASSERT_EQ(instance.sets.size(), 4u);
    EXPECT_EQ(instance.sets[3].second, 0.0);
}

TEST_F(Lv2PluginTest, OtherControlsWaitForTheMainThread)
{
    RecordingInstance instance(2, 256);
    auto plugin = Make(instance);

    reset = 1.0f;
    gain = 3.5f;
    plugin->Run(32);
    // Pressed: the port is back to its default, the instance not told yet.
    EXPECT_EQ(reset, 0.0f);
    EXPECT_TRUE(instance.sets.empty());
    {
        const Lv2Plugin::MainThreadScope scope(*plugin);
        plugin->DeliverControlChanges();
    }
    ASSERT_EQ(instance.sets.size(), 2u);
    EXPECT_EQ(instance.sets[0], std::make_pair(RecordingInstance::kReset, 1.0));
    EXPECT_EQ(instance.sets[1], std::make_pair(RecordingInstance::kGain, 3.5));

    // A value that stays is not sent again; each press is.
    instance.sets.clear();
    plugin->Run(32);
    reset = 1.0f;
    plugin->Run(32);
    reset = 1.0f;
    plugin->Run(32);
    EXPECT_EQ(reset, 0.0f);
    {
        const Lv2Plugin::MainThreadScope scope(*plugin);
        plugin->DeliverControlChanges();
        plugin->DeliverControlChanges();
    }
    ASSERT_EQ(instance.sets.size(), 1u);
    EXPECT_EQ(instance.sets[0], std::make_pair(RecordingInstance::kReset, 1.0));

    // State calls deliver first, so what is saved follows every change.
    instance.sets.clear();
    gain = -2.0f;
    plugin->Run(32);
    Lv2Test::StateStore store;
    auto withMap = Make(instance, WithMap());
    gain = 7.0f;
    withMap->Run(32);
    ASSERT_EQ(withMap->SaveState(&Lv2Test::StateStore::Store, &store, 0, nullptr),
              LV2_STATE_SUCCESS);
    ASSERT_EQ(instance.sets.size(), 1u);
    EXPECT_EQ(instance.sets[0], std::make_pair(RecordingInstance::kGain, 7.0));
}

TEST_F(Lv2PluginTest, WorkerDeliversOncePerRequest)
{
    RecordingInstance instance(2, 256);
    Lv2Test::Worker worker;
    Lv2Features features;
    features.schedule = static_cast<LV2_Worker_Schedule*>(worker.Feature()->data);
    auto plugin = Make(instance, features);

    plugin->Run(32); // nothing changed: no work
    EXPECT_EQ(worker.requests, 0);
    reset = 1.0f;
    plugin->Run(32);
    EXPECT_EQ(worker.requests, 1);
    // A second change before the work ran rides on the same request.
    gain = 1.0f;
    plugin->Run(32);
    EXPECT_EQ(worker.requests, 1);
    EXPECT_EQ(plugin->Work(nullptr, nullptr, 0, nullptr), LV2_WORKER_SUCCESS);
    EXPECT_EQ(instance.sets.size(), 2u);

    // After the work, the next change asks again.
    gain = 2.0f;
    plugin->Run(32);
    EXPECT_EQ(worker.requests, 2);
    plugin->Work(nullptr, nullptr, 0, nullptr);

    // A full queue: the request is made again on the next run, change or not.
    worker.refuse = true;
    gain = 3.0f;
    plugin->Run(32);
    EXPECT_EQ(worker.requests, 2);
    worker.refuse = false;
    plugin->Run(32);
    EXPECT_EQ(worker.requests, 3);
    plugin->Work(nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(instance.sets.back(), std::make_pair(RecordingInstance::kGain, 3.0));
}

TEST_F(Lv2PluginTest, StateIsTheChunkTextUnderOneKey)
{
    RecordingInstance instance(2, 256);
    Lv2Test::StateStore store;

    // Without a URID map there is no way to name the key: no state.
    auto withoutMap = Make(instance);
    EXPECT_EQ(withoutMap->SaveState(&Lv2Test::StateStore::Store, &store, 0, nullptr),
              LV2_STATE_ERR_NO_FEATURE);
    EXPECT_EQ(withoutMap->RestoreState(&Lv2Test::StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_ERR_NO_FEATURE);
    EXPECT_TRUE(store.values.empty());

    auto plugin = Make(instance, WithMap());
    ASSERT_EQ(plugin->SaveState(&Lv2Test::StateStore::Store, &store, 0, nullptr),
              LV2_STATE_SUCCESS);
    ASSERT_EQ(store.values.size(), 1u);
    const auto& [key, value] = *store.values.begin();
    EXPECT_EQ(key, map.Map(std::string(Lv2Identity::kSettingsKeyUri)));
    EXPECT_EQ(value.type, map.Map(LV2_ATOM__String));
    EXPECT_EQ(value.flags, static_cast<std::uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
    EXPECT_EQ(value.bytes, instance.settings + '\0');

    // Restored through the chunk call, header and all.
    store.values[key].bytes = std::string("<!-- Corvanel Sound --> second") + '\0';
    EXPECT_EQ(plugin->RestoreState(&Lv2Test::StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_SUCCESS);
    EXPECT_EQ(instance.settings, "<!-- Corvanel Sound --> second");

    // A state without our key (port values only) leaves the settings alone.
    Lv2Test::StateStore portsOnly;
    EXPECT_EQ(plugin->RestoreState(&Lv2Test::StateStore::Retrieve, &portsOnly, 0, nullptr),
              LV2_STATE_SUCCESS);
    EXPECT_EQ(instance.setChunkCalls, 1);
}

TEST_F(Lv2PluginTest, RefusedStateIsLoggedAndChangesNothing)
{
    RecordingInstance instance(2, 256);
    Lv2Test::Log log(map);
    Lv2Features features = WithMap();
    features.log = static_cast<LV2_Log_Log*>(log.Feature()->data);
    auto plugin = Make(instance, features);
    const LV2_URID key = map.Map(std::string(Lv2Identity::kSettingsKeyUri));
    const LV2_URID text = map.Map(LV2_ATOM__String);
    Lv2Test::StateStore store;

    // Refused by the plug-in: its report goes to the log.
    store.values[key] = {std::string("\x01\xff garbage") + '\0', text, 0};
    EXPECT_EQ(plugin->RestoreState(&Lv2Test::StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_ERR_UNKNOWN);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(
        log.lines[0],
        "error: Corvanel Sound: QVX Spectrum Analyzer: Unable to load settings. These are not "
        "valid settings.\n");
    EXPECT_EQ(
        log.lines[1],
        "warning: The saved settings were not loaded. The plug-in keeps the settings it had.\n");
    EXPECT_EQ(instance.settings, "<!-- Corvanel Sound --> first");

    // Refused before the plug-in sees it: not a text, or an empty one.
    log.lines.clear();
    store.values[key] = {"<!-- Corvanel Sound -->", map.Map(LV2_ATOM__Chunk), 0};
    EXPECT_EQ(plugin->RestoreState(&Lv2Test::StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_ERR_BAD_TYPE);
    store.values[key] = {std::string(1, '\0'), text, 0};
    EXPECT_EQ(plugin->RestoreState(&Lv2Test::StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(instance.setChunkCalls, 1);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0],
              "error: The saved settings are not a text. The plug-in keeps the settings it had.\n");
    EXPECT_EQ(log.lines[1],
              "error: The saved settings are empty. The plug-in keeps the settings it had.\n");

    // The instance goes on rendering.
    instance.renders.clear();
    plugin->Run(100);
    EXPECT_EQ(instance.renders.size(), 1u);
}

} // namespace
