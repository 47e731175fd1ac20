#pragma once
// A process type the group registers: its id, channel configuration, names,
// capabilities and the entry that creates its process objects.
//
// Threads: built on the main thread during group set-up; read-only after.

#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <string>
#include <vector>

class CEffectProcess;

// Creates a process object of a type; null or a throw when it cannot.
using CEffectProcessCreator = CEffectProcess* (*)();

class CEffectType
{
public:
    // The standard sample-rate range of process types.
    static constexpr double kStandardMinSampleRate = 8000.0;
    static constexpr double kStandardMaxSampleRate = 192000.0;
    // Standard capability codes of real-time and offline types.
    static constexpr std::int32_t kCapabilityRealtime = 1;
    static constexpr std::int32_t kCapabilityOffline = 2;
    static constexpr std::int32_t kCapabilityAnySampleRate = 3;

    CEffectType(HostLib::FourCharCode typeId, HostLib::FourCharCode productId, std::int32_t inputs,
                std::int32_t outputs, bool offline);

    void DefineTypeNames(std::string names) { mNames = std::move(names); }
    void DefineCreateProcess(CEffectProcessCreator creator) { mCreator = creator; }
    void DefinePageTables(std::string name) { mPageTables = std::move(name); }
    void DefineSampleRateRange(double minimum, double maximum);
    void AddCapability(std::int32_t code) { mCapabilities.push_back(code); }
    // The library's standard settings: the real-time or offline capability,
    // any sample rate within the standard range.
    void AttachStandardCapabilities();

    HostLib::FourCharCode GetTypeId() const { return mTypeId; }
    HostLib::FourCharCode GetProductId() const { return mProductId; }
    std::int32_t GetNumInputs() const { return mInputs; }
    std::int32_t GetNumOutputs() const { return mOutputs; }
    bool IsOffline() const { return mOffline; }
    const std::string& GetNames() const { return mNames; }
    const std::string& GetPageTables() const { return mPageTables; }
    const std::vector<std::int32_t>& GetCapabilities() const { return mCapabilities; }
    bool SupportsSampleRate(double rate) const { return rate >= mMinRate && rate <= mMaxRate; }
    CEffectProcessCreator GetCreator() const { return mCreator; }
    HostLib::EffectTypeInfo Describe() const;

private:
    HostLib::FourCharCode mTypeId = 0;
    HostLib::FourCharCode mProductId = 0;
    std::int32_t mInputs = 0;
    std::int32_t mOutputs = 0;
    bool mOffline = false;
    std::string mNames;
    std::string mPageTables;
    std::vector<std::int32_t> mCapabilities;
    double mMinRate = kStandardMinSampleRate;
    double mMaxRate = kStandardMaxSampleRate;
    CEffectProcessCreator mCreator = nullptr;
};
