// Writes the turtle files of the LV2 bundle (manifest.ttl and quarvix.ttl)
// from the plug-in itself: it opens the plug-in as the bundle's binary does,
// inserts an instance of each plug-in kind and describes the ports that
// instance has (src/lv2/Lv2Ports.h), with the names of the plug-in's own
// description. Run at build time (src/lv2/CMakeLists.txt), so the metadata
// a host reads cannot drift from the binary it loads.
//
// Usage: quarvix-lv2-turtle --bundle DIR --binary FILE_NAME

#include "core/CVLPluginMetaClass.h"
#include "host/module/ModuleEntry.h"
#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Instance.h"
#include "platform/SafeFile.h"
#include "plugin/CVLQuarvixMetaClass.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

const char* const kPrefixes = "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix log: <http://lv2plug.in/ns/ext/log#> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                              "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n";

std::string Literal(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (c == '\n')
        {
            quoted += "\\n";
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string Uri(std::string_view uri)
{
    std::string text;
    text.reserve(uri.size() + 2);
    text.push_back('<');
    text.append(uri);
    text.push_back('>');
    return text;
}

// Shortest decimal that reads back as the same float, always with a point.
std::string Number(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string number(text, result.ptr);
    if (number.find_first_of(".e") == std::string::npos)
        number += ".0";
    return number;
}

std::string FirstName(const std::string& names)
{
    return names.substr(0, names.find('\n'));
}

struct PluginText
{
    std::string uri;
    std::string name;
    std::vector<Lv2PortInfo> ports;
};

void WritePort(std::ostream& out, std::size_t index, const Lv2PortInfo& port)
{
    out << "\t\ta lv2:" << (port.role == Lv2PortRole::AudioOutput ? "OutputPort" : "InputPort")
        << ", lv2:" << (port.IsAudio() ? "AudioPort" : "ControlPort") << " ;\n";
    out << "\t\tlv2:index " << index << " ;\n";
    out << "\t\tlv2:symbol " << Literal(port.symbol) << " ;\n";
    out << "\t\tlv2:name " << Literal(port.name);
    if (port.IsAudio())
        return;
    if (port.role == Lv2PortRole::Enabled)
        out << " ;\n\t\tlv2:designation lv2:enabled";
    out << " ;\n\t\tlv2:default " << Number(port.defaultValue);
    out << " ;\n\t\tlv2:minimum " << Number(port.minimum);
    out << " ;\n\t\tlv2:maximum " << Number(port.maximum);
    std::vector<std::string> properties;
    if (port.toggled)
        properties.push_back("lv2:toggled");
    if (port.integer)
        properties.push_back("lv2:integer");
    if (port.integer && !port.toggled && !port.scalePoints.empty())
        properties.push_back("lv2:enumeration");
    if (port.trigger)
        properties.push_back("pprops:trigger");
    for (std::size_t i = 0; i < properties.size(); ++i)
        out << (i == 0 ? " ;\n\t\tlv2:portProperty " : ", ") << properties[i];
    for (std::size_t i = 0; i < port.scalePoints.size(); ++i)
    {
        out << (i == 0 ? " ;\n\t\tlv2:scalePoint [\n" : " , [\n");
        out << "\t\t\trdfs:label " << Literal(port.scalePoints[i].second) << " ;\n";
        out << "\t\t\trdf:value " << Number(port.scalePoints[i].first) << "\n\t\t]";
    }
}

void WritePlugin(std::ostream& out, const PluginText& plugin, const std::string& version)
{
    // "1.0.1": LV2 hosts compare minor and micro versions; the major one is in the URI's meaning.
    int major = 0, minor = 0, micro = 0;
    if (std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &micro) != 3)
        throw std::runtime_error("the version '" + version + "' is not MAJOR.MINOR.MICRO");

    out << "\n" << Uri(plugin.uri) << "\n";
    out << "\ta lv2:Plugin, lv2:AnalyserPlugin ;\n";
    out << "\tdoap:name " << Literal(plugin.name) << " ;\n";
    out << "\tlv2:project " << Uri(Lv2Identity::kProjectUri) << " ;\n";
    out << "\tlv2:minorVersion " << minor << " ;\n";
    out << "\tlv2:microVersion " << micro << " ;\n";
    out << "\trdfs:comment \"A real-time spectrum analyzer: FFT spectrum, spectrogram and "
           "third-octave bands. "
           "The audio passes through unchanged; the analysis is shown in the editor.\" ;\n";
    out << "\tlv2:optionalFeature lv2:hardRTCapable, urid:map, opts:options, log:log, "
           "work:schedule ;\n";
    out << "\tlv2:extensionData state:interface, work:interface ;\n";
    out << "\topts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n";
    out << "\tui:ui " << Uri(Lv2Identity::kUiUri) << " ;\n";
    for (std::size_t index = 0; index < plugin.ports.size(); ++index)
    {
        out << (index == 0 ? "\tlv2:port [\n" : " , [\n");
        WritePort(out, index, plugin.ports[index]);
        out << "\n\t]";
    }
    out << " .\n";
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::string error;
    if (!Platform::SafeWriteFile(path, text, &error))
        throw std::runtime_error("cannot write " + path.string() + ": " + error);
}

// Every real-time process type of the plug-in must be one LV2 plug-in of
// Lv2Identity::kPlugins, and the other way round.
void CheckKinds()
{
    if (WinPlugInOpen(kWinPlugInOpenKey) != 0)
        throw std::runtime_error("the plug-in module refused to open");
    struct Close
    {
        ~Close() { WinPlugInClose(); }
    } close;
    HostLib::EffectHostContext context;
    if (NewPlugIn(&context) != 0 || !context.engine)
        throw std::runtime_error("the plug-in could not set up its group");
    std::size_t realtimeTypes = 0;
    for (const HostLib::EffectTypeInfo& type : context.engine->GetTypes())
    {
        if (type.offline)
            continue;
        ++realtimeTypes;
        bool found = false;
        for (const Lv2Identity::PluginKind& kind : Lv2Identity::kPlugins)
            found = found || kind.typeId == type.typeId;
        if (!found)
            throw std::runtime_error("the process type '" + FourCCText(type.typeId) +
                                     "' has no LV2 plug-in");
    }
    if (realtimeTypes != Lv2Identity::kPlugins.size())
        throw std::runtime_error(
            "an LV2 plug-in names a process type the plug-in does not register");
}

int Generate(const std::filesystem::path& bundle, const std::string& binary)
{
    CheckKinds();
    const DescriptionUse description;
    const auto* hostFormat = dynamic_cast<const RTASPluginMetaClassInterface*>(description.get());
    if (!hostFormat)
        throw std::runtime_error("the description has no host-format names");

    std::vector<PluginText> plugins;
    for (const Lv2Identity::PluginKind& kind : Lv2Identity::kPlugins)
    {
        // Any rate the plug-in takes will do: ports do not depend on it.
        std::unique_ptr<Lv2Instance> instance = Lv2Instance::Create(kind, 48000.0, nullptr);
        if (!instance)
            throw std::runtime_error(std::string("no instance of ") + kind.uri);
        const HostLib::EffectTypeInfo type = instance->GetPlugin().GetInstance().GetType();
        const std::string names = type.inputs == 1 && type.outputs == 1 ? hostFormat->GetMonoNames()
                                  : type.inputs == 2 && type.outputs == 2
                                      ? hostFormat->GetStereoNames()
                                      : hostFormat->GetPluginNames();
        plugins.push_back({kind.uri, FirstName(names), instance->GetPlugin().GetPorts()});
    }

    std::ostringstream manifest;
    manifest << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n";
    for (const PluginText& plugin : plugins)
    {
        manifest << "\n" << Uri(plugin.uri) << "\n\ta lv2:Plugin ;\n";
        manifest << "\tlv2:binary " << Uri(binary) << " ;\n";
        manifest << "\trdfs:seeAlso " << Uri(Lv2Identity::kPluginsFileName) << " .\n";
    }
    manifest << "\n" << Uri(Lv2Identity::kUiUri) << "\n\ta ui:X11UI ;\n";
    manifest << "\tui:binary " << Uri(binary) << " ;\n";
    manifest << "\trdfs:seeAlso " << Uri(Lv2Identity::kPluginsFileName) << " .\n";

    std::ostringstream text;
    text << kPrefixes;
    // Hosts find the maker through the plug-ins' project; LV2's schema wants
    // a project's maintainer to be a foaf:Person, whoever makes it.
    const std::string maker = Uri(std::string(Lv2Identity::kProjectUri) + "#maker");
    text << "\n" << Uri(Lv2Identity::kProjectUri) << "\n";
    text << "\ta doap:Project ;\n";
    text << "\tdoap:name " << Literal(FirstName(hostFormat->GetPluginNames())) << " ;\n";
    text << "\tdoap:maintainer " << maker << " .\n";
    text << "\n" << maker << "\n";
    text << "\ta foaf:Person ;\n";
    text << "\tfoaf:name " << Literal(std::string(Lv2Identity::kMakerName)) << " ;\n";
    text << "\tfoaf:homepage " << Uri(Lv2Identity::kMakerHomepage) << " .\n";
    for (const PluginText& plugin : plugins)
        WritePlugin(text, plugin, description->GetVersion());
    // The editor: in the plug-ins' binary, reaching the instance directly.
    text << "\n" << Uri(Lv2Identity::kUiUri) << "\n";
    text << "\ta ui:X11UI ;\n";
    text << "\tlv2:requiredFeature ui:parent, ui:idleInterface, "
            "<http://lv2plug.in/ns/ext/instance-access> ;\n";
    text << "\tlv2:optionalFeature ui:resize ;\n";
    text << "\tlv2:extensionData ui:idleInterface .\n";

    std::filesystem::create_directories(bundle);
    WriteFile(bundle / "manifest.ttl", manifest.str());
    WriteFile(bundle / std::string(Lv2Identity::kPluginsFileName), text.str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path bundle;
    std::string binary;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--bundle") == 0)
            bundle = argv[i + 1];
        else if (std::strcmp(argv[i], "--binary") == 0)
            binary = argv[i + 1];
    }
    if (bundle.empty() || binary.empty())
    {
        std::fprintf(stderr, "usage: %s --bundle DIR --binary FILE_NAME\n", argv[0]);
        return 2;
    }
    try
    {
        return Generate(bundle, binary);
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
