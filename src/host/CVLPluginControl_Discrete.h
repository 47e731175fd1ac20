#pragma once
// A discrete host control for one of the plug-in's parameters: its range is
// the parameter's, and its value texts are the parameter's labels, taken from
// the plug-in description.
//
// Threads: main thread (as every host control).

#include "base/FourCC.h"
#include "hostlib/CPluginControl.h"

class CVLPluginMetaClass;
class ParameterDescriptor;

class CVLPluginControl_Discrete : public CPluginControl_Discrete
{
public:
    // The description must outlive the control (the process holds a use).
    CVLPluginControl_Discrete(FourCharCode id, std::string names, const ParameterDescriptor& descriptor,
                              const CVLPluginMetaClass& description);

    // The description's text for the value, cut to maxChars.
    std::string GetValueString(double value, std::int32_t maxChars) const override;
    // By unit type: 4 for the decibel units (4 and 5), 12 for unit type 7,
    // 0 otherwise.
    std::int32_t GetDisplayKind() const override;

private:
    const ParameterDescriptor& mDescriptor;
    const CVLPluginMetaClass& mDescription;
};
