#pragma once
// A numbered list of 32-bit integers stored as one nested object: its size in
// "__size__", element i in the integer attribute named by the decimal text of i.
// A sequence is built for writing or for reading and does its work between its
// construction and its destruction.
//
// Threads: UI thread only. Not real-time safe.

#include "serialization/Archive.h"
#include "serialization/Serializable.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace Serialization
{

class ArchiveSequenceBase : public Serializable
{
public:
    std::string_view GetTypeName() const override { return "__archive_sequence__"; }
    // The sequence writes and reads its elements itself, one by one.
    void Save(Archive& /*archive*/) override {}
    void Load(Archive& /*archive*/) override {}
};

class ArchiveSequence : public ArchiveSequenceBase
{
public:
    // Writing: opens the object `name` and stores the stated size.
    ArchiveSequence(Archive& archive, std::string_view name, std::int32_t size);
    // Reading: enters the object `name` (which must exist) and reads its size
    // (0 when missing).
    ArchiveSequence(Archive& archive, std::string_view name);
    ~ArchiveSequence() override;
    ArchiveSequence(const ArchiveSequence&) = delete;
    ArchiveSequence& operator=(const ArchiveSequence&) = delete;

    // Writes the next element; fails once the stated size has been reached.
    void Add(std::int32_t value);
    // Element `index`, or `defaultValue` when it is not stored. Fails on a
    // sequence whose stated size is 0.
    std::int32_t Get(std::int32_t index, std::int32_t defaultValue);

    std::int32_t GetSize() const noexcept { return mSize; }

private:
    const char* ElementName(std::int32_t index);

    std::int32_t mSize = 0;
    std::int32_t mIndex = 0;
    Archive& mArchive;
    std::uint64_t mId = 0;
    bool mWriting = false;
    std::array<char, 32> mElementName{};
};

} // namespace Serialization
