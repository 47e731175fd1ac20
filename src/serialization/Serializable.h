#pragma once
// Base of every object that can be stored in an archive.
//
// Threads: UI thread (saving and loading settings). Not real-time safe.

#include <cstdint>
#include <string_view>

namespace Serialization
{

class Archive;

class Serializable
{
public:
    Serializable() = default;
    // The id is the identity of this very object within an archive, not part of
    // its value: a copy starts unwritten, and assignment keeps the target's id,
    // so that a copy is never mistaken for an object already written.
    Serializable(const Serializable&) noexcept {}
    Serializable& operator=(const Serializable&) noexcept { return *this; }
    virtual ~Serializable() = default;

    // The archive type name of the class, a constant such as "SerializableColorSpec".
    virtual std::string_view GetTypeName() const = 0;
    // Writes the attributes and nested objects.
    virtual void Save(Archive& archive) = 0;
    // Reads them back, by name, in any order.
    virtual void Load(Archive& archive) = 0;

    // 0 until the object is first written; renewed each time it is first written
    // into another archive.
    std::uint64_t GetObjectId() const noexcept { return mObjectId; }
    void SetObjectId(std::uint64_t id) noexcept { mObjectId = id; }

private:
    std::uint64_t mObjectId = 0;
};

// The process-wide object id counter shared by every archive: each object
// written for the first time into any archive takes the next value. Ids only
// ever grow, so they are unique within one archive and across saves.
std::uint64_t NextObjectId() noexcept;
// The id given most recently (0 before any object was written).
std::uint64_t LastObjectId() noexcept;

} // namespace Serialization
