#include "plugin/CVLQuarvixMetaClass.h"

#include "plugin/Quarvix.h"

std::string SettingsArchiveType()
{
    return std::string(QuarvixIdentity::kSettingsArchiveTypePrefix) +
           std::string(QuarvixIdentity::kNotice) + ")";
}

CVLQuarvixMetaClass::CVLQuarvixMetaClass(std::int32_t creationArgument)
    : CVLPluginMetaClass(creationArgument)
{
    // The one host parameter: "Reset" clears the master alarm. Range 0..1 in
    // steps of 1, an on/off switch.
    ParameterDescriptor reset(QuarvixIdentity::kResetParameterId, "prmReset", 1, 0.0f, 1.0f, 0.0f,
                              1.0f, 1, 1, 2);
    AddDiscreteValueLabels(reset);
    AddParameter(std::move(reset));
    RegisterSubMetaClasses();
}

std::unique_ptr<PluginCore> CVLQuarvixMetaClass::CreatePlugin(PluginPlatform& platform,
                                                              const ChannelConfig& channels) const
{
    return std::make_unique<Quarvix>(platform, channels);
}

std::string CVLQuarvixMetaClass::GetSignature() const
{
    return std::string(QuarvixIdentity::kSignature);
}

std::string CVLQuarvixMetaClass::GetName() const
{
    return std::string(QuarvixIdentity::kName);
}

std::string CVLQuarvixMetaClass::GetVersion() const
{
    return std::string(QuarvixIdentity::kVersion);
}

std::string CVLQuarvixMetaClass::GetNotice() const
{
    return std::string(QuarvixIdentity::kNotice);
}

void CVLQuarvixMetaClass::GetIOConfigs(std::vector<ChannelConfig>& configs) const
{
    configs.push_back({2, 2});
    configs.push_back({1, 1});
}

std::string CVLQuarvixMetaClass::GetFactoryPrograms() const
{
    return "<!-- Corvanel Sound QVX Spectrum Analyzer Program Settings -->\n"
           "<plugin_programs>\n"
           "<program number=\"0\" name=\"QVX Spectrum Analyzer\">\n"
           "<obj_archive type=\"" +
           SettingsArchiveType() +
           "\">\n"
           "</obj_archive>\n"
           "</program>\n"
           "</plugin_programs>\n";
}

bool CVLQuarvixMetaClass::KeepsProgramTexts() const
{
    return false;
}

std::int32_t CVLQuarvixMetaClass::NumberOfPrograms() const
{
    return 1;
}

std::string CVLQuarvixMetaClass::GetParameterName(FourCharCode id) const
{
    const ParameterDescriptor* descriptor = FindParameterById(id);
    return descriptor && descriptor->GetId() == QuarvixIdentity::kResetParameterId ? "Reset"
                                                                                    : "INVALID ID";
}

std::string CVLRtasQuarvixMetaClass::GetPluginNames() const
{
    return "QVX Spectrum Analyzer\nQVX Spectrum An\nQVX Spectrum\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
}

std::string CVLRtasQuarvixMetaClass::GetMonoNames() const
{
    return "QVX Spectrum Analyzer 1ch\nQVX Spectrum 1ch\nQVX Spectrum 1\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
}

std::string CVLRtasQuarvixMetaClass::GetStereoNames() const
{
    return "QVX Spectrum Analyzer 2ch\nQVX Spectrum 2ch\nQVX Spectrum 2\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
}

std::string CVLRtasQuarvixMetaClass::GetParameterName(FourCharCode id) const
{
    return id == QuarvixIdentity::kResetParameterId && FindParameterById(id) ? "Reset\nRset\nRes"
                                                                             : "<n/a>";
}
