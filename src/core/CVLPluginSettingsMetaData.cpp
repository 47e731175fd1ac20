#include "core/CVLPluginSettingsMetaData.h"

#include "core/CVLPluginMetaClass.h"
#include "serialization/Archive.h"

CVLPluginSettingsMetaData::CVLPluginSettingsMetaData(const CVLPluginMetaClass& description,
                                                     const ChannelConfig& channels)
    : mSignature(description.GetSignature()), mName(description.GetName()),
      mVersion(description.GetVersion()), mCopyright(description.GetNotice()),
      mManufacturer(description.GetManufacturer()), mIOConfig(channels)
{
}

void CVLPluginSettingsMetaData::Save(Serialization::Archive& archive)
{
    archive.WriteString("signature", mSignature);
    archive.WriteString("name", mName);
    archive.WriteString("version", mVersion);
    archive.WriteString("copyright", mCopyright);
    archive.WriteString("manufacturer", mManufacturer);
    archive.WriteInt("IOConfig.inputs", mIOConfig.inputs);
    archive.WriteInt("IOConfig.outputs", mIOConfig.outputs);
}

void CVLPluginSettingsMetaData::Load(Serialization::Archive& archive)
{
    mSignature = archive.ReadString("signature");
    mName = archive.ReadString("name");
    mVersion = archive.ReadString("version");
    mCopyright = archive.ReadString("copyright");
    mManufacturer = archive.ReadString("manufacturer");
    mIOConfig.inputs = archive.ReadInt("IOConfig.inputs");
    mIOConfig.outputs = archive.ReadInt("IOConfig.outputs");
}
