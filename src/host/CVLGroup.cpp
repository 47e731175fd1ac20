#include "host/CVLGroup.h"

#include "base/Exceptions.h"
#include "host/CVLPTProcess.h"
#include "plugin/CVLQuarvixMetaClass.h"

namespace
{

const RTASPluginMetaClassInterface& HostFormat(const CVLPluginMetaClass& description)
{
    const auto* hostFormat = dynamic_cast<const RTASPluginMetaClassInterface*>(&description);
    if (!hostFormat)
        throw AppFrame::BadParameter();
    return *hostFormat;
}

} // namespace

CVLGroup::CVLGroup()
{
    const RTASPluginMetaClassInterface& hostFormat = HostFormat(*mDescription);
    mProductId = hostFormat.GetProductId();
    DefineManufacturerNamesAndID(kManufacturerNames, kManufacturerId);
    DefinePlugInNamesAndID(hostFormat.GetPluginNames(), mProductId);
    AddCapability(kGroupCapability);
    std::string text;
    mDescription->DescribeAsText(text);
    DefineDescriptionText(std::move(text));
}

CVLGroup::~CVLGroup() = default;

void CVLGroup::CreateEffectTypes()
{
    const RTASPluginMetaClassInterface& hostFormat = HostFormat(*mDescription);
    const bool realtime = hostFormat.SupportsRealtimeProcessing();
    const bool offline = hostFormat.RegistersOfflineTypes();
    std::vector<ChannelConfig> configs;
    mDescription->GetIOConfigs(configs);
    for (const ChannelConfig& config : configs)
    {
        if (config == ChannelConfig{1, 1})
        {
            if (realtime)
                AddRealtimeType(kMonoRealtimeType, 1, 1);
            if (offline)
                AddOfflineType(kMonoOfflineType, 1, 1, hostFormat.GetMonoNames());
        }
        else if (config == ChannelConfig{1, 2})
        {
            if (realtime)
                AddRealtimeType(kMonoToStereoRealtimeType, 1, 2);
        }
        else if (config == ChannelConfig{2, 2})
        {
            if (realtime)
                AddRealtimeType(kStereoRealtimeType, 2, 2);
            if (offline)
                AddOfflineType(kStereoOfflineType, 2, 2, hostFormat.GetStereoNames());
        }
    }
}

void CVLGroup::AddRealtimeType(FourCharCode typeId, std::int32_t inputs, std::int32_t outputs)
{
    auto type = std::make_unique<CEffectType>(typeId, mProductId, inputs, outputs, false);
    type->DefineTypeNames(HostFormat(*mDescription).GetPluginNames());
    type->DefineCreateProcess(&CreateCVLPTProcess);
    type->AttachStandardCapabilities();
    type->DefinePageTables(kPageTables);
    AddEffectType(std::move(type));
}

void CVLGroup::AddOfflineType(FourCharCode typeId, std::int32_t inputs, std::int32_t outputs, std::string names)
{
    auto type = std::make_unique<CEffectType>(typeId, mProductId, inputs, outputs, true);
    type->DefineTypeNames(std::move(names));
    type->DefineCreateProcess(&CreateCVLPTProcessAS);
    type->AttachStandardCapabilities();
    AddEffectType(std::move(type));
}
