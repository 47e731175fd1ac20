// Arbitrary bytes handed to a plug-in instance as the host's settings chunk,
// both as one program's settings and as a programs text; the instance must
// then still save settings that load.

#include "core/PluginPlatform.h"
#include "plugin/Quarvix.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
struct QuietPlatform : PluginPlatform
{
    bool LoadDefaultSettings(const std::string&, std::string&) override { return false; }
    bool SaveDefaultSettings(const std::string&, const std::string&) override { return false; }
    void OnPluginParameterChanged(std::int32_t, float) override {}
    bool IsParameterChangeAllowed(std::int32_t) override { return true; }
    void ShowError(const std::string&, const std::string&, std::int32_t, std::int32_t) override {}
    std::string GetHostName() const override { return "fuzz"; }
    std::int32_t GetPrerollLength() const override { return 0; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QuietPlatform platform;
    Quarvix plugin(platform, {2, 2});
    const auto length = static_cast<std::int32_t>(size);
    const char* bytes = reinterpret_cast<const char*>(data);
    plugin.SetChunk(bytes, length, true);
    plugin.SetChunk(bytes, length, false);

    const char* saved = plugin.GetChunk(true);
    if (!saved)
        std::abort();
    Quarvix check(platform, {1, 1});
    try
    {
        check.ReadSettingsOrThrow(std::string(saved, plugin.GetChunkLength()));
    }
    catch (...)
    {
        std::abort(); // what an instance saves must load
    }
    return 0;
}
