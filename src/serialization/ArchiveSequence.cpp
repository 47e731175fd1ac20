#include "serialization/ArchiveSequence.h"

#include "base/Exceptions.h"

#include <charconv>

namespace Serialization
{

namespace
{
constexpr const char* kIndexExceeded = "ArchiveSequence: index exceeded stated size of sequence";
}

ArchiveSequence::ArchiveSequence(Archive& archive, std::string_view name, std::int32_t size)
    : mSize(size), mArchive(archive), mWriting(true)
{
    mId = mArchive.BeginWriteObject(*this, name);
    if (mId == 0)
        return;
    try
    {
        mArchive.WriteInt("__size__", size);
    }
    catch (...)
    {
        mArchive.EndWriteObject(*this);
        throw;
    }
}

ArchiveSequence::ArchiveSequence(Archive& archive, std::string_view name) : mArchive(archive)
{
    mArchive.BeginReadObject(name, GetTypeName());
    // The destructor does not run when construction fails: leave the scope
    // here so the caller's later reads stay in their own scope.
    try
    {
        mSize = mArchive.ReadInt("__size__", 0);
    }
    catch (...)
    {
        mArchive.EndReadObject();
        throw;
    }
}

ArchiveSequence::~ArchiveSequence()
{
    try
    {
        if (!mWriting)
            mArchive.EndReadObject();
        else if (mId != 0)
            mArchive.EndWriteObject(*this);
    }
    catch (...)
    {
    }
}

const char* ArchiveSequence::ElementName(std::int32_t index)
{
    const auto result = std::to_chars(mElementName.data(), mElementName.data() + mElementName.size() - 1, index);
    *result.ptr = '\0';
    return mElementName.data();
}

void ArchiveSequence::Add(std::int32_t value)
{
    CVN_REQUIRE(mIndex < mSize, kIndexExceeded);
    mArchive.WriteInt(ElementName(mIndex), value);
    ++mIndex;
}

std::int32_t ArchiveSequence::Get(std::int32_t index, std::int32_t defaultValue)
{
    // Reading never advances the index, so this refuses exactly the sequences
    // whose stated size is 0 (or negative); indices past the size read as the
    // default because no such element is stored.
    CVN_REQUIRE(mIndex < mSize, kIndexExceeded);
    return mArchive.ReadInt(ElementName(index), defaultValue);
}

} // namespace Serialization
