#pragma once
// This plug-in's description, and its host-format layer.

#include "base/FourCC.h"
#include "core/CVLPluginMetaClass.h"

#include <string_view>

namespace QuarvixIdentity
{
inline constexpr std::string_view kSignature = "QVX Spectrum Analyzer";
inline constexpr std::string_view kName = "QVX Spectrum Analyzer";
inline constexpr std::string_view kVersion = "1.0.1";
inline constexpr std::string_view kManufacturer = "Corvanel Sound";
// Stored in every settings text; a chunk without the maker's name is refused.
inline constexpr std::string_view kNotice = "Copyright 2026 Corvanel Sound.";
static_assert(kNotice.size() == 30);
static_assert(kNotice.find(kManufacturer) != std::string_view::npos);
inline constexpr std::string_view kSettingsArchiveTypePrefix = ::kSettingsArchiveTypePrefix;
inline constexpr FourCharCode kResetParameterId = FourCC("rest");
inline constexpr FourCharCode kProductId = FourCC("QvxS");
inline constexpr FourCharCode kChunkId = FourCC("cvqx");
inline constexpr std::string_view kChunkName = "Quarvix Chunk v1";
} // namespace QuarvixIdentity

// "CVL Plugin Settings (" + notice + ")": the archive type of a settings text.
std::string SettingsArchiveType();

class CVLQuarvixMetaClass : public CVLPluginMetaClass
{
public:
    explicit CVLQuarvixMetaClass(std::int32_t creationArgument = 0);

    std::unique_ptr<PluginCore> CreatePlugin(PluginPlatform& platform,
                                             const ChannelConfig& channels) const override;
    std::string GetSignature() const override;
    std::string GetName() const override;
    std::string GetVersion() const override;
    std::string GetNotice() const override;
    void GetIOConfigs(std::vector<ChannelConfig>& configs) const override;
    std::string GetFactoryPrograms() const override;
    bool KeepsProgramTexts() const override;
    std::int32_t NumberOfPrograms() const override;
    std::string GetParameterName(FourCharCode id) const override;
};

// The questions the host adaptation asks in the host's own terms.
class RTASPluginMetaClassInterface
{
public:
    virtual ~RTASPluginMetaClassInterface() = default;
    virtual std::int32_t GetReserved() const = 0;
    virtual FourCharCode GetProductId() const = 0;
    // False when the parameters are the complete state and no chunk is needed.
    virtual bool GetChunkInfo(FourCharCode& id, std::string& name) const = 0;
    // Display names: alternatives separated by line feeds, longest first.
    virtual std::string GetPluginNames() const = 0;
    virtual std::string GetMonoNames() const = 0;
    virtual std::string GetStereoNames() const = 0;
    virtual bool GetExtraFeature(std::int32_t, std::int32_t, std::int32_t, std::int32_t) const = 0;
    virtual bool SupportsOfflineProcessing() const = 0;
    virtual bool RegistersOfflineTypes() const = 0;
    virtual bool SupportsRealtimeProcessing() const = 0;
    virtual bool GetOption10() const = 0;
    virtual bool GetOption11() const = 0;
};

template <class Description>
class RTASPluginMetaClassBase : public Description, public RTASPluginMetaClassInterface
{
public:
    using Description::Description;

    std::int32_t GetReserved() const override { return 0; }
    FourCharCode GetProductId() const override { return QuarvixIdentity::kProductId; }
    bool GetChunkInfo(FourCharCode& id, std::string& name) const override
    {
        if (this->ParametersRepresentCompleteState())
            return false;
        id = QuarvixIdentity::kChunkId;
        name = std::string(QuarvixIdentity::kChunkName);
        return true;
    }
    bool GetExtraFeature(std::int32_t, std::int32_t, std::int32_t, std::int32_t) const override
    {
        return false;
    }
    bool SupportsOfflineProcessing() const override { return false; }
    bool RegistersOfflineTypes() const override { return SupportsOfflineProcessing(); }
    bool SupportsRealtimeProcessing() const override { return true; }
    bool GetOption10() const override { return false; }
    bool GetOption11() const override { return false; }
};

class CVLRtasQuarvixMetaClass : public RTASPluginMetaClassBase<CVLQuarvixMetaClass>
{
public:
    using RTASPluginMetaClassBase::RTASPluginMetaClassBase;

    std::string GetPluginNames() const override;
    std::string GetMonoNames() const override;
    std::string GetStereoNames() const override;
    // Host displays take the names of every length.
    std::string GetParameterName(FourCharCode id) const override;
};
