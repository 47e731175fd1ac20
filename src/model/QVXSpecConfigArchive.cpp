#include "model/QVXSpecConfigArchive.h"

#include "model/SerializableColorSpec.h"

#include <cstdio>

void QVXWriteObject(Serialization::Archive& archive, Serialization::Serializable& object, std::string_view name)
{
    Serialization::ObjectWriteScope scope(archive, object, name);
    if (scope.IsNew())
        object.Save(archive);
}

bool QVXReadObjectIfPresent(Serialization::Archive& archive, Serialization::Serializable& object,
                            std::string_view name)
{
    if (!archive.HasNode(name))
        return false;
    QVXReadObjectScope scope(archive, name, object.GetTypeName());
    object.Load(archive);
    return true;
}

void QVXSpecConfigArchivedColors::Save(Serialization::Archive& archive)
{
    for (std::int32_t role = 0; role < QVXSpecConfig::kColorRoleCount; ++role)
    {
        CVLCanvas::SerializableColorSpec color(mColors[static_cast<std::size_t>(role)]);
        QVXWriteObject(archive, color, QVXSpecConfig::ColorRoleName(role));
    }
}

void QVXSpecConfigArchivedColors::Load(Serialization::Archive& archive)
{
    for (std::int32_t role = 0; role < QVXSpecConfig::kColorRoleCount; ++role)
    {
        auto& stored = mColors[static_cast<std::size_t>(role)];
        CVLCanvas::SerializableColorSpec color(stored);
        if (QVXReadObjectIfPresent(archive, color, QVXSpecConfig::ColorRoleName(role)))
            stored = color.GetColor();
    }
}

std::string QVXSpecConfigArchivedMemSlots::SlotName(std::int32_t slot)
{
    char name[32];
    std::snprintf(name, sizeof name, "memory[slot%d]", static_cast<int>(slot));
    return name;
}

void QVXSpecConfigArchivedMemSlots::Save(Serialization::Archive& archive)
{
    for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
        QVXWriteObject(archive, mSlots[static_cast<std::size_t>(slot)], SlotName(slot));
}

void QVXSpecConfigArchivedMemSlots::Load(Serialization::Archive& archive)
{
    for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
        QVXReadObjectIfPresent(archive, mSlots[static_cast<std::size_t>(slot)], SlotName(slot));
}
