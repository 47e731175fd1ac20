#include "serialization/Archive.h"

#include "base/Exceptions.h"

#include <memory>

namespace Serialization
{

Archive::Archive(ObjectFactory* objectFactory) noexcept : mObjectFactory(objectFactory) {}

Archive::~Archive() = default;

bool Archive::IsInObjectTable(const Serializable& object) const
{
    // The pointer is compared as well as the id: an id found in the table but
    // belonging to another object cannot mean that this one was written.
    const auto it = mObjectTable.find(object.GetObjectId());
    return it != mObjectTable.end() && it->second.object == &object;
}

bool Archive::IsInnermostOpenObject(const Serializable& object) const noexcept
{
    return !mObjectStack.empty() && mObjectStack.back() == &object;
}

std::uint64_t Archive::BeginWriteObject(Serializable& object, std::string_view /*name*/)
{
    if (IsInObjectTable(object))
        return 0;
    mObjectStack.push_back(&object);
    const std::uint64_t id = NextObjectId();
    object.SetObjectId(id);
    mObjectTable.insert_or_assign(id, ObjectTableEntry{&object, false, 0});
    return id;
}

void Archive::EndWriteObject(Serializable& object)
{
    if (!IsInnermostOpenObject(object))
        return;
    mObjectStack.pop_back();
    const auto it = mObjectTable.find(object.GetObjectId());
    if (it != mObjectTable.end())
        it->second.finished = true;
}

void Archive::WritePtr(std::string_view name, Serializable* object)
{
    CVN_REQUIRE(object != nullptr, "WritePtr: the object is null");
    if (!IsInObjectTable(*object))
    {
        ObjectWriteScope scope(*this, *object, "");
        if (scope.IsNew())
            object->Save(*this);
    }
    CVN_REQUIRE(IsInObjectTable(*object), "WritePtr: the object has no id in this archive");
    WritePtrId(name, object->GetObjectId());
}

Serializable* Archive::ReadPtr(std::string_view name)
{
    const std::uint64_t id = ReadPtrId(name);
    if (const auto it = mObjectTable.find(id); it != mObjectTable.end())
    {
        ++it->second.referenceCount;
        return it->second.object;
    }
    if (mObjectFactory == nullptr)
        return nullptr;

    const std::string typeName = FindObjectById(id);
    std::unique_ptr<Serializable> object = mObjectFactory->CreateObject(typeName);
    if (!object)
        return nullptr;

    // Entered before loading, so that a pointer back to this object met while
    // loading it resolves to it instead of making another.
    mObjectTable.insert_or_assign(id, ObjectTableEntry{object.get(), false, 1});
    try
    {
        EnterObjectScope(id);
        try
        {
            object->Load(*this);
        }
        catch (...)
        {
            LeaveObjectScope();
            throw;
        }
        LeaveObjectScope();
    }
    catch (...)
    {
        mObjectTable.erase(id);
        throw;
    }
    return object.release();
}

ObjectWriteScope::ObjectWriteScope(Archive& archive, Serializable& object, std::string_view name)
    : mArchive(archive), mObject(object), mId(archive.BeginWriteObject(object, name))
{
}

ObjectWriteScope::~ObjectWriteScope()
{
    if (mId == 0)
        return;
    // Ending an open object only fails on a misused archive; a destructor that
    // may run during unwinding must not throw.
    try
    {
        mArchive.EndWriteObject(mObject);
    }
    catch (...)
    {
    }
}

PathScope::PathScope(Archive& archive, const std::vector<std::string>& names)
    : mArchive(archive), mEntered(archive.EnterPath(names)), mCount(static_cast<int>(names.size()))
{
}

PathScope::~PathScope()
{
    if (!mEntered)
        return;
    try
    {
        mArchive.LeaveScopes(mCount);
    }
    catch (...)
    {
    }
}

} // namespace Serialization
