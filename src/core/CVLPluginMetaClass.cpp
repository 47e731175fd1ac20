#include "core/CVLPluginMetaClass.h"

#include "core/PluginCore.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace
{

std::string FixedPoint(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string RunTimeClassName(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : type.name();
    std::free(demangled);
    return name;
}

} // namespace

CVLPluginMetaClass::CVLPluginMetaClass(std::int32_t creationArgument)
    : mUnitTexts{"", "", "", "", "dB", "dB", "Hz", "", "oct", "", "", "", ""},
      mCreationArgument(creationArgument)
{
    static_assert(kUnitTypeCount == 13);
}

CVLPluginMetaClass::~CVLPluginMetaClass() = default;

std::string CVLPluginMetaClass::GetManufacturer() const
{
    return "Corvanel Sound";
}

bool CVLPluginMetaClass::SupportsSidechain() const
{
    return false;
}

void CVLPluginMetaClass::GetProgramNames(std::vector<std::string>& names) const
{
    // The names are those of the <program ... name="..."> lines of the
    // factory programs text.
    const std::string text = GetFactoryPrograms();
    std::size_t lineStart = 0;
    while (lineStart < text.size())
    {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        if (line.find("<program ") != std::string::npos)
        {
            const auto key = line.find("name=\"");
            if (key != std::string::npos)
            {
                const auto start = key + 6;
                const auto end = line.find('"', start);
                names.push_back(line.substr(start, end == std::string::npos ? std::string::npos
                                                                             : end - start));
            }
        }
        lineStart = lineEnd + 1;
    }
}

std::int32_t CVLPluginMetaClass::NumberOfParameters() const
{
    return static_cast<std::int32_t>(mParameters.size());
}

std::string CVLPluginMetaClass::GetParameterUnits(std::int32_t index) const
{
    const ParameterDescriptor* descriptor = GetParameterByIndex(index);
    if (!descriptor)
        return std::string();
    if (descriptor->HasCustomUnit())
        return descriptor->GetCustomUnit();
    const auto unitType = descriptor->GetUnitType();
    if (unitType < 0 || static_cast<std::size_t>(unitType) >= mUnitTexts.size())
        return std::string();
    return mUnitTexts[static_cast<std::size_t>(unitType)];
}

std::string CVLPluginMetaClass::ParameterValueToText(std::int32_t index, float value,
                                                     std::int32_t maxLength) const
{
    const ParameterDescriptor* descriptor = GetParameterByIndex(index);
    if (!descriptor)
        return std::string();

    std::string text;
    switch (descriptor->GetUnitType())
    {
    case 0:
    case 1:
    case 3:
        if (descriptor->IsDiscrete())
        {
            const ParameterValueLabel* label = descriptor->FindLabel(std::round(value));
            text = label ? label->TextForLength(maxLength) : FixedPoint(value, 1);
        }
        else
        {
            text = FixedPoint(value, 1);
        }
        break;
    case 4:
    case 5:
        text = FixedPoint(value, 1);
        break;
    case 6:
        text = value > 1000.0f ? FixedPoint(std::round(value / 1000.0f), 0).append("k") : FixedPoint(value, 0);
        break;
    case 7:
    case 8:
        text = FixedPoint(value, 2);
        break;
    default:
        text = FixedPoint(value, 1);
        break;
    }

    if (maxLength != -1 && static_cast<std::int64_t>(text.size()) > maxLength)
        return maxLength >= 1 ? std::string(1, '*') : std::string();
    return text;
}

bool CVLPluginMetaClass::ParameterTextToValue(std::int32_t index, const std::string& text,
                                              float& value) const
{
    const ParameterDescriptor* descriptor = GetParameterByIndex(index);
    if (!descriptor)
        return false;
    for (const auto& label : descriptor->GetLabels())
    {
        if (label.GetText() == text)
        {
            value = label.GetValue();
            return true;
        }
    }
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(parsed))
        return false;
    value = descriptor->Clamp(parsed);
    return true;
}

const ParameterDescriptor* CVLPluginMetaClass::GetParameterByIndex(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= mParameters.size())
        return nullptr;
    return &mParameters[static_cast<std::size_t>(index)];
}

const ParameterDescriptor* CVLPluginMetaClass::FindParameterById(FourCharCode id) const
{
    for (const auto& descriptor : mParameters)
    {
        if (descriptor.GetId() == id)
            return &descriptor;
    }
    return nullptr;
}

std::int32_t CVLPluginMetaClass::GetParameterIndex(FourCharCode id) const
{
    const ParameterDescriptor* descriptor = FindParameterById(id);
    return descriptor ? descriptor->GetIndex() : -1;
}

bool CVLPluginMetaClass::ParametersRepresentCompleteState() const
{
    return false;
}

std::string CVLPluginMetaClass::GetPrefsName() const
{
    return "CVL Quarvix Prefs";
}

void CVLPluginMetaClass::DescribeAsText(std::string& text) const
{
    std::vector<ChannelConfig> configs;
    GetIOConfigs(configs);
    const auto flag = [](bool on) { return on ? "1" : "0"; };
    text = "Name = ";
    text.append(GetName());
    text.append(";Version = ").append(GetVersion());
    text.append(";IOConfigs = ");
    for (const auto& config : configs)
        text.append("/").append(std::to_string(config.inputs)).append(",").append(std::to_string(config.outputs));
    text.append(";SupportsSidechain = ").append(flag(SupportsSidechain()));
    text.append(";NumberOfPrograms = ").append(std::to_string(NumberOfPrograms()));
    text.append(";NumberOfParameters = ").append(std::to_string(NumberOfParameters()));
    text.append(";ParametersRepresentCompleteState = ").append(flag(ParametersRepresentCompleteState()));
    text.append(";metaclass = ").append(RunTimeClassName(typeid(*this)));
}

void CVLPluginMetaClass::AddDiscreteValueLabels(ParameterDescriptor& descriptor) const
{
    descriptor.AddValueLabel("On;1");
    descriptor.AddValueLabel("Off;0");
}

const ParameterDescriptor& CVLPluginMetaClass::AddParameter(ParameterDescriptor descriptor)
{
    descriptor.SetIndex(static_cast<std::int32_t>(mParameters.size()));
    mParameters.push_back(std::move(descriptor));
    return mParameters.back();
}

void CVLPluginMetaClass::RegisterSubMetaClasses()
{
    mSubMetaClasses.push_back(std::make_unique<TestSubMetaClass>());
    for (auto& sub : mSubMetaClasses)
    {
        (void)sub->GetId();
        sub->Register(*this);
    }
}
