#include "analysis/QVXGeneralSpecService.h"

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
