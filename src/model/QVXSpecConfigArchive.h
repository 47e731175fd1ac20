#pragma once
// The transient objects through which the configuration stores its colour
// sets and memory slots, the read scope they share, and the constant
// documents that hold the default colours.
//
// Threads: UI thread (saving and loading settings). Not real-time safe.

#include "model/QVXSpecConfig.h"
#include "serialization/Archive.h"
#include "serialization/Serializable.h"

#include <array>
#include <string_view>

// Enters a named child object of the current scope (which must exist and have
// that type) for as long as the scope lives.
class QVXReadObjectScope
{
public:
    QVXReadObjectScope(Serialization::Archive& archive, std::string_view name, std::string_view typeName)
        : mArchive(archive)
    {
        mArchive.BeginReadObject(name, typeName);
    }
    ~QVXReadObjectScope() { mArchive.EndReadObject(); }
    QVXReadObjectScope(const QVXReadObjectScope&) = delete;
    QVXReadObjectScope& operator=(const QVXReadObjectScope&) = delete;

private:
    Serialization::Archive& mArchive;
};

// Writes `object` as the child `name` of the object being written, unless this
// archive has written it already.
void QVXWriteObject(Serialization::Archive& archive, Serialization::Serializable& object, std::string_view name);
// Reads the child `name` into `object` when the current scope has it; returns
// whether it did.
bool QVXReadObjectIfPresent(Serialization::Archive& archive, Serialization::Serializable& object,
                            std::string_view name);

// One colour set: the 22 colours as objects named by their roles, in role order.
class QVXSpecConfigArchivedColors : public Serialization::Serializable
{
public:
    explicit QVXSpecConfigArchivedColors(QVXSpecConfig::ColorSet& colors) : mColors(colors) {}

    std::string_view GetTypeName() const override { return "QVXSpecConfigArchivedColors"; }
    void Save(Serialization::Archive& archive) override;
    // Roles missing from the archive keep their colours.
    void Load(Serialization::Archive& archive) override;

private:
    QVXSpecConfig::ColorSet& mColors;
};

// One view's three memory slots, as objects "memory[slot0]" ... "memory[slot2]".
class QVXSpecConfigArchivedMemSlots : public Serialization::Serializable
{
public:
    using Slots = std::array<QVXSpecConfig::MemSlotData, QVXSpecConfig::kMemSlotCount>;

    explicit QVXSpecConfigArchivedMemSlots(Slots& slots) : mSlots(slots) {}

    std::string_view GetTypeName() const override { return "QVXSpecConfigArchivedMemSlots"; }
    void Save(Serialization::Archive& archive) override;
    // Slots missing from the archive keep their content.
    void Load(Serialization::Archive& archive) override;

    // "memory[slot%d]"
    static std::string SlotName(std::int32_t slot);

private:
    Slots& mSlots;
};

// The constant settings documents holding the default colours: one for the
// FFT set (object "anaFFT_colors") and one for the third-octave set (object
// "ana3rdOct_colors").
std::string_view QVXDefaultFFTColorDocument();
std::string_view QVXDefault3rdOctColorDocument();
