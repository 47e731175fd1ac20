#pragma once
// The plug-in group of the module: declares the maker and the product and
// registers one process type per channel configuration of the description
// ('StRT' for 2 in / 2 out, 'mnRT' for 1 in / 1 out, 'msRT' for 1 in / 2 out,
// and the offline 'StAS' / 'mnAS' when the description supports offline
// processing). Holds two uses of the description while it lives.
//
// Threads: main thread only.

#include "base/FourCC.h"
#include "core/CVLPluginMetaClass.h"
#include "hostlib/CEffectGroup.h"

class CVLGroup : public CEffectGroup
{
public:
    static constexpr const char* kManufacturerNames = "Corvanel Sound\nCVL";
    static constexpr FourCharCode kManufacturerId = FourCC("Crvn");
    static constexpr std::int32_t kGroupCapability = 14;
    static constexpr const char* kPageTables = "MonoPageTables";
    static constexpr FourCharCode kMonoRealtimeType = FourCC("mnRT");
    static constexpr FourCharCode kMonoToStereoRealtimeType = FourCC("msRT");
    static constexpr FourCharCode kStereoRealtimeType = FourCC("StRT");
    static constexpr FourCharCode kMonoOfflineType = FourCC("mnAS");
    static constexpr FourCharCode kStereoOfflineType = FourCC("StAS");

    CVLGroup();
    ~CVLGroup() override;

protected:
    void CreateEffectTypes() override;

private:
    void AddRealtimeType(FourCharCode typeId, std::int32_t inputs, std::int32_t outputs);
    void AddOfflineType(FourCharCode typeId, std::int32_t inputs, std::int32_t outputs, std::string names);

    DescriptionUse mDescription;
    DescriptionUse mSecondUse;
    FourCharCode mProductId = 0;
};
