#pragma once
// A colour that can be stored: the integer attributes "red", "green", "blue".
//
// Threads: UI thread (saving and loading settings). Not real-time safe.

#include "base/ColorSpec.h"
#include "serialization/Serializable.h"

namespace CVLCanvas
{

class SerializableColorSpec : public ColorSpec, public Serialization::Serializable
{
public:
    SerializableColorSpec() = default;
    explicit SerializableColorSpec(const ColorSpec& color) : ColorSpec(color) {}

    std::string_view GetTypeName() const override { return "SerializableColorSpec"; }
    void Save(Serialization::Archive& archive) override;
    // A missing component keeps its value; stored values beyond 16 bits are
    // clamped to 0 ... 65535.
    void Load(Serialization::Archive& archive) override;

    const ColorSpec& GetColor() const noexcept { return *this; }
};

} // namespace CVLCanvas
