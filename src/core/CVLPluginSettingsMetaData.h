#pragma once
// The first object of every settings archive: who wrote it and for which
// channel configuration. Reading requires every field, so a text that lacks
// one is not taken for settings; the values are not compared with anything.
//
// Threads: UI thread.

#include "core/PluginCoreTypes.h"
#include "serialization/Serializable.h"

#include <string>

class CVLPluginMetaClass;

class CVLPluginSettingsMetaData : public Serialization::Serializable
{
public:
    CVLPluginSettingsMetaData() = default;
    CVLPluginSettingsMetaData(const CVLPluginMetaClass& description, const ChannelConfig& channels);

    std::string_view GetTypeName() const override { return "PluginCore_SettingsMetaData"; }
    void Save(Serialization::Archive& archive) override;
    void Load(Serialization::Archive& archive) override;

    std::string mSignature;
    std::string mName;
    std::string mVersion;
    std::string mCopyright;
    std::string mManufacturer;
    ChannelConfig mIOConfig;
};
