#include "hostlib/CEffectType.h"

#include <algorithm>

CEffectType::CEffectType(HostLib::FourCharCode typeId, HostLib::FourCharCode productId,
                         std::int32_t inputs, std::int32_t outputs, bool offline)
    : mTypeId(typeId), mProductId(productId), mInputs(inputs), mOutputs(outputs), mOffline(offline)
{
}

void CEffectType::DefineSampleRateRange(double minimum, double maximum)
{
    mMinRate = std::min(minimum, maximum);
    mMaxRate = std::max(minimum, maximum);
}

void CEffectType::AttachStandardCapabilities()
{
    AddCapability(mOffline ? kCapabilityOffline : kCapabilityRealtime);
    AddCapability(kCapabilityAnySampleRate);
    DefineSampleRateRange(kStandardMinSampleRate, kStandardMaxSampleRate);
}

HostLib::EffectTypeInfo CEffectType::Describe() const
{
    HostLib::EffectTypeInfo info;
    info.typeId = mTypeId;
    info.inputs = mInputs;
    info.outputs = mOutputs;
    info.offline = mOffline;
    info.names = mNames;
    info.pageTables = mPageTables;
    info.minSampleRate = mMinRate;
    info.maxSampleRate = mMaxRate;
    return info;
}
