#include "plugin/QVXGeneralSpecService.h"

#include "model/QVXSpecConfig.h"
#include "model/QVXSpecConfigArchive.h"
#include "serialization/Archive.h"

QVXGeneralSpecService::QVXGeneralSpecService() = default;

QVXGeneralSpecService::~QVXGeneralSpecService() = default;

void QVXGeneralSpecService::SetCore(PluginCore* core)
{
    QuarvixService::SetCore(core);
    // The old configuration goes first, so that its subscribers hear it go
    // before the new one is published.
    mSpecConfig.reset();
    if (core)
        mSpecConfig = std::make_unique<QVXSpecConfig>(core);
}

void QVXGeneralSpecService::Save(Serialization::Archive& archive)
{
    Serialization::ObjectWriteScope scope(archive, *this, "QVXGeneralSpecService");
    if (scope.IsNew() && mSpecConfig)
        QVXWriteObject(archive, *mSpecConfig, "QVXSpecConfig");
}

void QVXGeneralSpecService::Load(Serialization::Archive& archive)
{
    if (!archive.HasNode("QVXGeneralSpecService"))
        return;
    QVXReadObjectScope scope(archive, "QVXGeneralSpecService", GetTypeName());
    if (mSpecConfig)
        QVXReadObjectIfPresent(archive, *mSpecConfig, "QVXSpecConfig");
}

QVXSpecConfig* FindSpecConfig(PluginCore* core)
{
    auto* general = FindQuarvixService<QVXGeneralSpecService>(core);
    return general ? general->GetSpecConfig() : nullptr;
}

void SaveServiceMarker(Serialization::Archive& archive, Serialization::Serializable& service, std::string_view name)
{
    Serialization::ObjectWriteScope scope(archive, service, name);
    if (scope.IsNew())
        archive.WriteInt("One", 34);
}

void LoadServiceMarker(Serialization::Archive& archive, std::string_view name, std::string_view typeName)
{
    if (!archive.HasNode(name))
        return;
    QVXReadObjectScope scope(archive, name, typeName);
}
