#pragma once
// The plug-in's description: what the host learns before any instance exists
// (names, version, channel configurations, parameters, programs) and the
// factory of plug-in objects. Built once per loaded module, immutable after
// construction, shared through AcquireDescription/ReleaseDescription.
//
// Threads: built and released on the host's main thread; the const queries may
// be called from any thread.

#include "core/PluginCoreTypes.h"
#include "core/ParameterDescriptor.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PluginCore;
class PluginPlatform;
class CVLPluginMetaClass;

// Sub-descriptions hook further parts of a description in; they may add
// parameters while the description is built.
class QuarvixSubMetaClass
{
public:
    virtual ~QuarvixSubMetaClass() = default;
    virtual std::int32_t GetId() const = 0;
    virtual void Register(CVLPluginMetaClass& description) = 0;
    virtual std::string GetName() const = 0;
};

class TestSubMetaClass : public QuarvixSubMetaClass
{
public:
    std::int32_t GetId() const override { return 1000; }
    void Register(CVLPluginMetaClass&) override {}
    std::string GetName() const override { return std::string(); }
};

class CVLPluginMetaClass
{
public:
    static constexpr std::size_t kUnitTypeCount = 13;

    explicit CVLPluginMetaClass(std::int32_t creationArgument = 0);
    virtual ~CVLPluginMetaClass();
    CVLPluginMetaClass(const CVLPluginMetaClass&) = delete;
    CVLPluginMetaClass& operator=(const CVLPluginMetaClass&) = delete;

    virtual std::unique_ptr<PluginCore> CreatePlugin(PluginPlatform& platform,
                                                     const ChannelConfig& channels) const = 0;
    virtual std::string GetSignature() const = 0;
    virtual std::string GetName() const = 0;
    virtual std::string GetVersion() const = 0;
    virtual std::string GetNotice() const = 0;
    virtual std::string GetManufacturer() const;
    virtual void GetIOConfigs(std::vector<ChannelConfig>& configs) const = 0;
    virtual bool SupportsSidechain() const;
    virtual std::string GetFactoryPrograms() const = 0;
    virtual bool KeepsProgramTexts() const = 0;
    virtual void GetProgramNames(std::vector<std::string>& names) const;
    virtual std::int32_t NumberOfPrograms() const = 0;
    virtual std::int32_t NumberOfParameters() const;
    virtual std::string GetParameterName(FourCharCode id) const = 0;
    virtual std::string GetParameterUnits(std::int32_t index) const;
    // maxLength -1: no limit.
    virtual std::string ParameterValueToText(std::int32_t index, float value,
                                             std::int32_t maxLength) const;
    // The value of a label text, else the text read as a number; false when
    // it is neither.
    virtual bool ParameterTextToValue(std::int32_t index, const std::string& text,
                                      float& value) const;
    virtual const ParameterDescriptor* GetParameterByIndex(std::int32_t index) const;
    virtual const ParameterDescriptor* FindParameterById(FourCharCode id) const;
    virtual std::int32_t GetParameterIndex(FourCharCode id) const;
    virtual bool ParametersRepresentCompleteState() const;
    virtual std::string GetPrefsName() const;
    virtual void DescribeAsText(std::string& text) const;
    virtual void AddDiscreteValueLabels(ParameterDescriptor& descriptor) const;

    // Places a descriptor at the end of the list; its index becomes its position.
    const ParameterDescriptor& AddParameter(ParameterDescriptor descriptor);
    const std::vector<std::string>& GetUnitTexts() const { return mUnitTexts; }
    std::int32_t GetCreationArgument() const { return mCreationArgument; }

protected:
    // Creates the sub-descriptions and lets each register; called by the
    // concrete description once its own parameters are in place.
    void RegisterSubMetaClasses();

private:
    std::vector<ParameterDescriptor> mParameters;
    std::vector<std::string> mUnitTexts;
    std::vector<std::unique_ptr<QuarvixSubMetaClass>> mSubMetaClasses;
    std::int32_t mCreationArgument = 0;
};

// Settings texts are archives of the type kSettingsArchiveTypePrefix + the
// description's notice + ")".
inline constexpr std::string_view kSettingsArchiveTypePrefix = "CVL Plugin Settings (";

// The one description of the loaded module; every user brackets its use
// with these calls. Created at the first acquire, destroyed at the last release.
CVLPluginMetaClass* AcquireDescription();
void ReleaseDescription();

// Holds one use of the description for a scope.
class DescriptionUse
{
public:
    DescriptionUse() : mDescription(AcquireDescription()) {}
    ~DescriptionUse() { ReleaseDescription(); }
    DescriptionUse(const DescriptionUse&) = delete;
    DescriptionUse& operator=(const DescriptionUse&) = delete;
    CVLPluginMetaClass& operator*() const { return *mDescription; }
    CVLPluginMetaClass* operator->() const { return mDescription; }
    CVLPluginMetaClass* get() const { return mDescription; }

private:
    CVLPluginMetaClass* mDescription;
};
