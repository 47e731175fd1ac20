#include "model/SerializableColorSpec.h"

#include "serialization/Archive.h"

#include <algorithm>

namespace CVLCanvas
{

namespace
{
std::uint16_t ReadComponent(Serialization::Archive& archive, std::string_view name, std::uint16_t current)
{
    return static_cast<std::uint16_t>(std::clamp(archive.ReadInt(name, current), 0, 65535));
}
} // namespace

void SerializableColorSpec::Save(Serialization::Archive& archive)
{
    archive.WriteInt("red", red);
    archive.WriteInt("green", green);
    archive.WriteInt("blue", blue);
}

void SerializableColorSpec::Load(Serialization::Archive& archive)
{
    red = ReadComponent(archive, "red", red);
    green = ReadComponent(archive, "green", green);
    blue = ReadComponent(archive, "blue", blue);
}

} // namespace CVLCanvas
