#pragma once
// Who the plug-ins are to an LV2 host: the URIs of the mono and the stereo
// plug-in, the process type of the host library each one inserts, and the
// key their state is saved under. The turtle generator and the binary both
// read this table, so a URI cannot name one thing in the metadata and
// another in the binary.
//
// Threads: any; constants only.

#include "base/FourCC.h"
#include "host/CVLGroup.h"

#include <array>
#include <string_view>

namespace Lv2Identity
{
// Everything of ours lives under this URI; it names no page that must exist.
inline constexpr std::string_view kProjectUri = "https://corvanel.example/plugins/quarvix";
// The settings chunk text, stored as an atom:String.
inline constexpr const char* kSettingsKeyUri = "https://corvanel.example/plugins/quarvix#settings";
inline constexpr std::string_view kMakerName = "Corvanel Sound";
inline constexpr std::string_view kMakerHomepage = "https://corvanel.example/";
// The editor, an X11 UI of both plug-ins.
inline constexpr const char* kUiUri = "https://corvanel.example/plugins/quarvix#ui";
// The bundle's description of the plug-ins, beside its manifest.ttl.
inline constexpr std::string_view kPluginsFileName = "quarvix.ttl";

struct PluginKind
{
    const char* uri = nullptr;
    FourCharCode typeId = 0; // the real-time process type it inserts
};

// In the order of lv2_descriptor's index. Hosts keep the URIs in their
// sessions: they never change, and new kinds are only added at the end.
inline constexpr std::array<PluginKind, 2> kPlugins = {{
    {"https://corvanel.example/plugins/quarvix#mono", CVLGroup::kMonoRealtimeType},
    {"https://corvanel.example/plugins/quarvix#stereo", CVLGroup::kStereoRealtimeType},
}};
} // namespace Lv2Identity
