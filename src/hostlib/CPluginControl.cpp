#include "hostlib/CPluginControl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string CutToLength(std::string text, std::int32_t maxChars)
{
    if (maxChars >= 0 && text.size() > static_cast<std::size_t>(maxChars))
        text.resize(static_cast<std::size_t>(maxChars));
    return text;
}

CPluginControl::CPluginControl(HostLib::FourCharCode id, std::string names)
    : mId(id), mNames(std::move(names))
{
}

double CPluginControl::SetValue(double value)
{
    mValue = ConstrainValue(value);
    return mValue;
}

HostLib::EffectControlInfo CPluginControl::Describe() const
{
    HostLib::EffectControlInfo info;
    info.id = mId;
    info.names = mNames;
    info.kind = GetKind();
    info.minimum = GetMin();
    info.maximum = GetMax();
    info.defaultValue = GetDefault();
    info.steps = GetNumSteps();
    info.displayKind = GetDisplayKind();
    return info;
}

CPluginControl_Discrete::CPluginControl_Discrete(HostLib::FourCharCode id, std::string names,
                                                 std::int32_t minimum, std::int32_t maximum,
                                                 std::int32_t defaultValue)
    : CPluginControl(id, std::move(names)), mMin(std::min(minimum, maximum)),
      mMax(std::max(minimum, maximum)), mDefault(std::clamp(defaultValue, mMin, mMax))
{
    InitValue(mDefault);
}

double CPluginControl_Discrete::ConstrainValue(double value) const
{
    // NaN would survive clamping; a host sending it gets the default.
    if (std::isnan(value))
        return mDefault;
    return std::clamp(std::round(value), static_cast<double>(mMin), static_cast<double>(mMax));
}

std::string CPluginControl_Discrete::GetValueString(double value, std::int32_t maxChars) const
{
    return CutToLength(std::to_string(static_cast<long long>(ConstrainValue(value))), maxChars);
}

CPluginControl_OnOff::CPluginControl_OnOff(HostLib::FourCharCode id, std::string names, bool defaultOn)
    : CPluginControl_Discrete(id, std::move(names), 0, 1, defaultOn ? 1 : 0)
{
}

std::string CPluginControl_OnOff::GetValueString(double value, std::int32_t maxChars) const
{
    return CutToLength(ConstrainValue(value) != 0.0 ? "on" : "off", maxChars);
}

CPluginControl_Linear::CPluginControl_Linear(HostLib::FourCharCode id, std::string names,
                                             double minimum, double maximum, double defaultValue)
    : CPluginControl(id, std::move(names)), mMin(std::min(minimum, maximum)),
      mMax(std::max(minimum, maximum)), mDefault(std::clamp(defaultValue, mMin, mMax))
{
    InitValue(mDefault);
}

double CPluginControl_Linear::ConstrainValue(double value) const
{
    if (std::isnan(value))
        return mDefault;
    return std::clamp(value, mMin, mMax);
}

std::string CPluginControl_Linear::GetValueString(double value, std::int32_t maxChars) const
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", ConstrainValue(value));
    return CutToLength(text, maxChars);
}
