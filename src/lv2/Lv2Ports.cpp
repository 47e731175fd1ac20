#include "lv2/Lv2Ports.h"

#include "core/CVLPluginMetaClass.h"
#include "host/ControlIds.h"
#include "plugin/CVLQuarvixMetaClass.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace
{

using namespace HostLib;

// Parameters the plug-in acts on when they are set, not by the value they
// hold: Reset clears the master alarm each time it is switched on. An LV2
// host shows such a port as a button.
constexpr FourCharCode kMomentaryParameters[] = {QuarvixIdentity::kResetParameterId};

bool IsMomentary(const EffectControlInfo& info)
{
    const std::int32_t parameterIndex = IndexForControlId(info.id);
    if (parameterIndex < 0)
        return false;
    const DescriptionUse description;
    const ParameterDescriptor* descriptor = description->GetParameterByIndex(parameterIndex);
    return descriptor && std::find(std::begin(kMomentaryParameters), std::end(kMomentaryParameters),
                                   descriptor->GetId()) != std::end(kMomentaryParameters);
}

std::string FirstName(const std::string& names)
{
    return names.substr(0, names.find('\n'));
}

void AddAudioPorts(std::vector<Lv2PortInfo>& ports, Lv2PortRole role, std::int32_t count)
{
    const bool input = role == Lv2PortRole::AudioInput;
    // Symbols and names of a mono and a stereo pair; more channels are numbered.
    static const char* const kSymbols[2][3] = {{"out", "out_l", "out_r"}, {"in", "in_l", "in_r"}};
    static const char* const kNames[2][3] = {{"Out", "Out L", "Out R"}, {"In", "In L", "In R"}};
    for (std::int32_t channel = 0; channel < count; ++channel)
    {
        Lv2PortInfo port;
        port.role = role;
        port.channel = channel;
        if (count <= 2)
        {
            const std::size_t column = count == 1 ? 0 : static_cast<std::size_t>(channel) + 1;
            port.symbol = kSymbols[input][column];
            port.name = kNames[input][column];
        }
        else
        {
            char text[32];
            std::snprintf(text, sizeof text, "%s_%d", kSymbols[input][0], channel + 1);
            port.symbol = text;
            std::snprintf(text, sizeof text, "%s %d", kNames[input][0], channel + 1);
            port.name = text;
        }
        ports.push_back(std::move(port));
    }
}

Lv2PortInfo EnabledPort(std::int32_t controlIndex)
{
    Lv2PortInfo port;
    port.role = Lv2PortRole::Enabled;
    port.controlIndex = controlIndex;
    // The symbol and name hosts look for on the port they use for their own
    // bypass switch.
    port.symbol = "enabled";
    port.name = "Enabled";
    port.minimum = 0.0f;
    port.maximum = 1.0f;
    port.defaultValue = 1.0f;
    port.toggled = true;
    port.integer = true;
    return port;
}

Lv2PortInfo ControlPort(const EffectInstance& instance, std::int32_t controlIndex,
                        const EffectControlInfo& info)
{
    Lv2PortInfo port;
    port.role = Lv2PortRole::Control;
    port.controlIndex = controlIndex;
    port.name = FirstName(info.names);
    port.symbol = Lv2Symbol(port.name);
    port.minimum = static_cast<float>(info.minimum);
    port.maximum = static_cast<float>(info.maximum);
    port.defaultValue = static_cast<float>(info.defaultValue);
    if (info.kind == EffectControlKind::OnOff ||
        (info.kind == EffectControlKind::Discrete && info.steps == 2 && info.minimum == 0.0 &&
         info.maximum == 1.0))
        port.toggled = true;
    if (info.kind != EffectControlKind::Continuous)
    {
        port.integer = true;
        // Labelled values help a host's generic editor; a long range is left a number.
        if (info.steps > 0 && info.steps <= 64)
        {
            for (std::int32_t step = 0; step < info.steps; ++step)
            {
                const double value = info.minimum + step;
                port.scalePoints.emplace_back(
                    static_cast<float>(value),
                    instance.GetControlValueText(controlIndex, value, -1));
            }
        }
    }
    port.trigger = IsMomentary(info);
    return port;
}

} // namespace

std::string Lv2Symbol(const std::string& name)
{
    std::string symbol;
    bool gap = false;
    for (unsigned char c : name)
    {
        if (std::isalnum(c))
        {
            if (gap && !symbol.empty())
                symbol += '_';
            symbol += static_cast<char>(std::tolower(c));
            gap = false;
        }
        else
        {
            gap = true;
        }
    }
    if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol.front())))
        symbol = "p_" + symbol;
    return symbol;
}

std::vector<Lv2PortInfo> DescribeLv2Ports(const EffectInstance& instance)
{
    const EffectTypeInfo type = instance.GetType();
    std::vector<Lv2PortInfo> ports;
    AddAudioPorts(ports, Lv2PortRole::AudioInput, type.inputs);
    AddAudioPorts(ports, Lv2PortRole::AudioOutput, type.outputs);

    const std::int32_t bypassIndex = instance.GetMasterBypassIndex();
    for (std::int32_t index = 1; index <= instance.GetControlCount(); ++index)
    {
        EffectControlInfo info;
        if (instance.GetControlInfo(index, info) != kEffectOK)
            continue;
        ports.push_back(index == bypassIndex ? EnabledPort(index)
                                             : ControlPort(instance, index, info));
    }

    // Symbols name ports in hosts' sessions and must be unique.
    std::set<std::string> used;
    for (Lv2PortInfo& port : ports)
    {
        const std::string base = port.symbol;
        for (int suffix = 2; !used.insert(port.symbol).second; ++suffix)
            port.symbol = base + "_" + std::to_string(suffix);
    }
    return ports;
}
