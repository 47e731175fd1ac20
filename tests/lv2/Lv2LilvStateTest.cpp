// The plug-ins' state through lilv's state API, as an LV2 host saves and
// restores a session: settings changed in one instance come back in a fresh
// one through lilv's text form; a hostile state is refused, logged, and the
// instance keeps its settings and its audio.

#include "Lv2BundleTestSupport.h"
#include "Lv2TestSupport.h"
#include "support/TestFiles.h"

#include <lilv/lilv.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
using namespace Lv2BundleTest;

const char* const kSettingsKey = "https://corvanel.example/plugins/quarvix#settings";

class Lv2LilvStateTest : public BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        mWorld = lilv_world_new();
        // Only this build's bundle: nothing installed on the machine takes part.
        LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, (BundleDir().string() + "/").c_str());
        lilv_world_load_bundle(mWorld, bundle);
        lilv_node_free(bundle);
    }
    void TearDown() override
    {
        for (LilvInstance* instance : mInstances)
            lilv_instance_free(instance);
        lilv_world_free(mWorld);
        BundleTest::TearDown();
    }

    const LilvPlugin* Plugin(const std::string& uri)
    {
        LilvNode* node = lilv_new_uri(mWorld, uri.c_str());
        const LilvPlugin* plugin =
            lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), node);
        lilv_node_free(node);
        return plugin;
    }

    // An instance with every port connected; features null for a host that offers none.
    LilvInstance* Instantiate(const LilvPlugin* plugin, const LV2_Feature* const* features)
    {
        LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000.0, features);
        if (!instance)
            return nullptr;
        mInstances.push_back(instance);
        const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
        mAudio.resize(ports, std::vector<float>(kFrames));
        mControls.resize(ports, 0.0f);
        LilvNode* audioClass = lilv_new_uri(mWorld, LV2_CORE__AudioPort);
        for (std::uint32_t index = 0; index < ports; ++index)
        {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
            if (lilv_port_is_a(plugin, port, audioClass))
            {
                lilv_instance_connect_port(instance, index, mAudio[index].data());
                continue;
            }
            mControls[index] = 1.0f; // enabled, and a first press of Reset
            lilv_instance_connect_port(instance, index, &mControls[index]);
        }
        lilv_node_free(audioClass);
        return instance;
    }

    // The settings text an instance saves, through its state interface.
    std::string SettingsOf(LilvInstance* instance)
    {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
        Lv2Test::StateStore store;
        if (!state || state->save(lilv_instance_get_handle(instance), &Lv2Test::StateStore::Store,
                                  &store, 0, nullptr) != LV2_STATE_SUCCESS)
            return {};
        const auto found = store.values.find(mMap.Map(kSettingsKey));
        if (found == store.values.end() || found->second.bytes.empty())
            return {};
        return found->second.bytes.substr(0, found->second.bytes.size() - 1);
    }

    LV2_State_Status SetSettings(LilvInstance* instance, const std::string& text)
    {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
        Lv2Test::StateStore store;
        store.values[mMap.Map(kSettingsKey)] = {text + '\0', mMap.Map(LV2_ATOM__String), 0};
        return state->restore(lilv_instance_get_handle(instance), &Lv2Test::StateStore::Retrieve,
                              &store, 0, nullptr);
    }

    // lilv's snapshot of an instance, written out as text and read back, as
    // a host keeps it in a session file.
    LilvState* SaveAndReload(const LilvPlugin* plugin, LilvInstance* instance)
    {
        LilvState* state =
            lilv_state_new_from_instance(plugin, instance, mMap.Get(), nullptr, nullptr, nullptr,
                                         nullptr, &PortValue, this, 0, nullptr);
        if (!state)
            return nullptr;
        char* text = lilv_state_to_string(mWorld, mMap.Get(), mMap.GetUnmap(), state,
                                          "urn:quarvix:session", nullptr);
        lilv_state_free(state);
        if (!text)
            return nullptr;
        mStateText = text;
        lilv_free(text);
        return lilv_state_new_from_string(mWorld, mMap.Get(), mStateText.c_str());
    }

    static const void* PortValue(const char* symbol, void* user, std::uint32_t* size,
                                 std::uint32_t* type)
    {
        auto* self = static_cast<Lv2LilvStateTest*>(user);
        *size = sizeof(float);
        *type = self->mMap.Map(LV2_ATOM__Float);
        return std::string(symbol) == "enabled" ? &self->mEnabledValue : &self->mResetValue;
    }

    // Runs a block of a signal and tells whether it came out unchanged.
    bool RendersUnchanged(const LilvPlugin* plugin, LilvInstance* instance)
    {
        LilvNode* inputClass = lilv_new_uri(mWorld, LV2_CORE__InputPort);
        LilvNode* audioClass = lilv_new_uri(mWorld, LV2_CORE__AudioPort);
        std::vector<std::uint32_t> inputs, outputs;
        for (std::uint32_t index = 0; index < lilv_plugin_get_num_ports(plugin); ++index)
        {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
            if (!lilv_port_is_a(plugin, port, audioClass))
                continue;
            (lilv_port_is_a(plugin, port, inputClass) ? inputs : outputs).push_back(index);
        }
        lilv_node_free(inputClass);
        lilv_node_free(audioClass);
        for (std::size_t c = 0; c < inputs.size(); ++c)
        {
            for (std::size_t i = 0; i < kFrames; ++i)
                mAudio[inputs[c]][i] =
                    static_cast<float>((i * 7919 + c * 104729) % 2001) / 1000.0f - 1.0f;
        }
        lilv_instance_run(instance, kFrames);
        bool same = !inputs.empty() && inputs.size() == outputs.size();
        for (std::size_t c = 0; same && c < inputs.size(); ++c)
            same = mAudio[inputs[c]] == mAudio[outputs[c]];
        return same;
    }

    static constexpr std::size_t kFrames = 3000;
    LilvWorld* mWorld = nullptr;
    Lv2Test::UridMap mMap;
    std::vector<LilvInstance*> mInstances;
    std::vector<std::vector<float>> mAudio;
    std::vector<float> mControls;
    float mEnabledValue = 1.0f;
    float mResetValue = 0.0f;
    std::string mStateText;
};

// The default settings text with another FFT size in the FFT view.
std::string WithFftSize(std::string text, const std::string& size)
{
    const std::string from = "<att name=\"fftSize\" type=\"i\">2048</att>";
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        return {};
    text.replace(at, from.size(), "<att name=\"fftSize\" type=\"i\">" + size + "</att>");
    return text;
}

TEST_F(Lv2LilvStateTest, SettingsComeBackInAFreshInstance)
{
    for (const std::string& uri : {kMono, kStereo})
    {
        SCOPED_TRACE(uri);
        const LilvPlugin* plugin = Plugin(uri);
        ASSERT_NE(plugin, nullptr);
        const Lv2Test::Features features({mMap.Feature(), mMap.UnmapFeature()});
        LilvInstance* first = Instantiate(plugin, features.Get());
        ASSERT_NE(first, nullptr);
        ASSERT_TRUE(RendersUnchanged(plugin, first));
        const std::string defaults = SettingsOf(first);
        ASSERT_NE(defaults.find("<obj_archive"), std::string::npos) << defaults.substr(0, 200);

        const std::string changed = WithFftSize(defaults, "8192");
        ASSERT_FALSE(changed.empty()) << "no FFT size of 2048 in the default settings";
        ASSERT_EQ(SetSettings(first, changed), LV2_STATE_SUCCESS);
        const std::string saved = SettingsOf(first);
        ASSERT_NE(saved.find("<att name=\"fftSize\" type=\"i\">8192</att>"), std::string::npos);

        LilvState* state = SaveAndReload(plugin, first);
        ASSERT_NE(state, nullptr) << mStateText;
        EXPECT_EQ(lilv_state_get_num_properties(state), 1u) << mStateText;
        LilvInstance* second = Instantiate(plugin, features.Get());
        ASSERT_NE(second, nullptr);
        EXPECT_NE(TestFiles::MaskIds(SettingsOf(second)), TestFiles::MaskIds(saved));
        lilv_state_restore(state, second, nullptr, nullptr, 0, nullptr);
        lilv_state_free(state);
        // Object ids are new at every save; everything else must be the same.
        EXPECT_EQ(TestFiles::MaskIds(SettingsOf(second)), TestFiles::MaskIds(saved));
        EXPECT_TRUE(RendersUnchanged(plugin, second));
    }
}

TEST_F(Lv2LilvStateTest, HostileStateIsRefusedLoggedAndHarmless)
{
    const LilvPlugin* plugin = Plugin(kStereo);
    ASSERT_NE(plugin, nullptr);
    Lv2Test::Log log(mMap);
    const Lv2Test::Features features({mMap.Feature(), mMap.UnmapFeature(), log.Feature()});
    LilvInstance* instance = Instantiate(plugin, features.Get());
    ASSERT_NE(instance, nullptr);
    const std::string before = TestFiles::MaskIds(SettingsOf(instance));
    ASSERT_FALSE(before.empty());

    // Session texts a host may be handed: garbage, and settings cut short after a good start.
    const std::string garbage = "\\u0001\\\"<obj_archive>\\n" + std::string(3000, 'x');
    const std::string cut = "<obj_archive type=\\\"CVL Plugin Settings (Copyright 2026 Corvanel "
                            "Sound.)\\\">\\n<obj id=";
    for (const std::string& settings : {garbage, cut})
    {
        const std::string text = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                 "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                 "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                 "<urn:quarvix:hostile> a pset:Preset ;\n"
                                 "\tlv2:appliesTo <" +
                                 kStereo +
                                 "> ;\n"
                                 "\tstate:state [ <" +
                                 std::string(kSettingsKey) + "> \"" + settings + "\" ] .\n";
        LilvState* state = lilv_state_new_from_string(mWorld, mMap.Get(), text.c_str());
        ASSERT_NE(state, nullptr) << text;
        ASSERT_EQ(lilv_state_get_num_properties(state), 1u);
        log.lines.clear();
        lilv_state_restore(state, instance, nullptr, nullptr, 0, nullptr);
        lilv_state_free(state);
        EXPECT_EQ(TestFiles::MaskIds(SettingsOf(instance)), before);
        EXPECT_TRUE(RendersUnchanged(plugin, instance));
        // The plug-in's own report, then what became of the state.
        ASSERT_EQ(log.lines.size(), 2u) << settings;
        EXPECT_EQ(log.lines[0].rfind(
                      "error: Corvanel Sound: QVX Spectrum Analyzer: Unable to load settings.", 0),
                  0u)
            << log.lines[0];
        EXPECT_EQ(log.lines.back(), "warning: The saved settings were not loaded. The plug-in "
                                    "keeps the settings it had.\n");
    }
}

TEST_F(Lv2LilvStateTest, HostWithoutFeaturesRunsWithoutState)
{
    const LilvPlugin* plugin = Plugin(kMono);
    ASSERT_NE(plugin, nullptr);
    LilvInstance* bare = Instantiate(plugin, nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_TRUE(RendersUnchanged(plugin, bare));
    // Without a URID map the plug-in cannot name its state: lilv's snapshot
    // has port values only, and restoring one changes nothing.
    LilvState* state = lilv_state_new_from_instance(plugin, bare, mMap.Get(), nullptr, nullptr,
                                                    nullptr, nullptr, &PortValue, this, 0, nullptr);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(lilv_state_get_num_properties(state), 0u);
    lilv_state_restore(state, bare, nullptr, nullptr, 0, nullptr);
    lilv_state_free(state);
    EXPECT_EQ(SettingsOf(bare), "");
    EXPECT_TRUE(RendersUnchanged(plugin, bare));
}

} // namespace
