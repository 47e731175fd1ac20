#include "host/CVLPluginControl_Discrete.h"

#include "core/CVLPluginMetaClass.h"

#include <cmath>

CVLPluginControl_Discrete::CVLPluginControl_Discrete(FourCharCode id, std::string names,
                                                     const ParameterDescriptor& descriptor,
                                                     const CVLPluginMetaClass& description)
    : CPluginControl_Discrete(id, std::move(names),
                              static_cast<std::int32_t>(std::lround(descriptor.GetMinimum())),
                              static_cast<std::int32_t>(std::lround(descriptor.GetMaximum())),
                              static_cast<std::int32_t>(std::lround(descriptor.GetDefault()))),
      mDescriptor(descriptor), mDescription(description)
{
}

std::string CVLPluginControl_Discrete::GetValueString(double value, std::int32_t maxChars) const
{
    const float constrained = static_cast<float>(ConstrainValue(value));
    return CutToLength(mDescription.ParameterValueToText(mDescriptor.GetIndex(), constrained, maxChars),
                       maxChars);
}

std::int32_t CVLPluginControl_Discrete::GetDisplayKind() const
{
    switch (mDescriptor.GetUnitType())
    {
    case 4:
    case 5:
        return 4;
    case 7:
        return 12;
    default:
        return 0;
    }
}
