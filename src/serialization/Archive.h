#pragma once
// The abstract archive every persistent object is saved to and loaded from,
// and the two scoped helpers owners use with it.
//
// An archive is made for one save or one load and then discarded. It keeps the
// identity of the objects it writes, so that an object reached twice is written
// once and references between objects can be stored as persistent pointers.
// Failures throw Cvn::Exception (misuse, missing data) or a class derived from
// it (malformed data); nothing is rolled back.
//
// Threads: UI thread only. Not real-time safe (allocates, throws).

#include "serialization/ObjectFactory.h"
#include "serialization/Serializable.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Serialization
{

class Archive
{
public:
    explicit Archive(ObjectFactory* objectFactory = nullptr) noexcept;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    virtual ~Archive();

    virtual void BeginWriting() {}
    virtual void BeginReading() {}
    virtual void EndWriting() {}

    // The readers with a default return it when the current scope has no node of
    // that name; the readers without one throw when the attribute is missing or
    // of another type.
    virtual void WriteBool(std::string_view name, bool value) = 0;
    virtual bool ReadBool(std::string_view name, bool defaultValue) = 0;
    virtual bool ReadBool(std::string_view name) = 0;
    virtual void WriteInt(std::string_view name, std::int32_t value) = 0;
    virtual std::int32_t ReadInt(std::string_view name, std::int32_t defaultValue) = 0;
    virtual std::int32_t ReadInt(std::string_view name) = 0;
    virtual void WriteInt64(std::string_view name, std::int64_t value) = 0;
    virtual std::int64_t ReadInt64(std::string_view name, std::int64_t defaultValue) = 0;
    virtual std::int64_t ReadInt64(std::string_view name) = 0;
    virtual void WriteDouble(std::string_view name, double value) = 0;
    virtual double ReadDouble(std::string_view name, double defaultValue) = 0;
    virtual double ReadDouble(std::string_view name) = 0;
    virtual void WriteDoubleVector(std::string_view name, const std::vector<double>& values) = 0;
    virtual void WriteFloatVector(std::string_view name, const std::vector<float>& values) = 0;
    // Resize the vector to the stored count and fill it.
    virtual void ReadDoubleVector(std::string_view name, std::vector<double>& values) = 0;
    virtual void ReadFloatVector(std::string_view name, std::vector<float>& values) = 0;
    virtual void WriteString(std::string_view name, std::string_view text) = 0;
    virtual std::string ReadString(std::string_view name, std::string_view defaultText) = 0;
    virtual std::string ReadString(std::string_view name) = 0;
    virtual void WriteBinary(std::string_view name, const std::uint8_t* bytes, std::size_t count) = 0;
    // The stored bytes, as many as the stored count says.
    virtual std::vector<std::uint8_t> ReadBinary(std::string_view name) = 0;

    // Stores a persistent pointer to `object`, writing the object first (as an
    // unnamed nested object) if this archive has not written it yet.
    virtual void WritePtr(std::string_view name, Serializable* object);
    // Returns the object a persistent pointer designates: the one already read
    // for that id, else a new one made by the object factory and loaded from its
    // node, else (no factory, or no creator for the stored type) null. A newly
    // made object belongs to the caller of the ReadPtr that made it; later reads
    // of the same id return the same object as a shared reference. If loading a
    // new object fails, it is destroyed and the failure propagates.
    virtual Serializable* ReadPtr(std::string_view name);

    virtual bool HasNode(std::string_view name) = 0;
    // Descends through nested objects; if one is missing, leaves those entered
    // and returns false. An empty list succeeds and enters nothing.
    virtual bool EnterPath(const std::vector<std::string>& names) = 0;
    // Leaves `count` scopes; returns false, leaving none, if fewer are open.
    virtual bool LeaveScopes(int count) = 0;

    virtual void BeginReadObject(std::string_view /*name*/, std::string_view /*typeName*/) {}
    // Returns the object's new id, or 0 when this archive has written it already
    // (then it must not be written again and no EndWriteObject follows).
    virtual std::uint64_t BeginWriteObject(Serializable& object, std::string_view name);
    virtual void EndReadObject() {}
    virtual void EndWriteObject(Serializable& object);

    virtual void WritePtrId(std::string_view name, std::uint64_t id) = 0;
    virtual std::uint64_t ReadPtrId(std::string_view name) = 0;
    // The archive type name of the object stored with that id.
    virtual std::string FindObjectById(std::uint64_t id) = 0;

    const std::string& GetArchiveTypeName() const noexcept { return mArchiveTypeName; }
    ObjectFactory* GetObjectFactory() const noexcept { return mObjectFactory; }

    // Whether this archive has written (or, reading, has made) this very object.
    bool IsInObjectTable(const Serializable& object) const;

protected:
    struct ObjectTableEntry
    {
        Serializable* object = nullptr;
        bool finished = false;  // writing: the object's end has been written
        int referenceCount = 0; // reading: how many ReadPtr calls returned it
    };

    void SetArchiveTypeName(std::string typeName) { mArchiveTypeName = std::move(typeName); }
    // True when `object` is the innermost object open for writing.
    bool IsInnermostOpenObject(const Serializable& object) const noexcept;
    std::size_t OpenObjectCount() const noexcept { return mObjectStack.size(); }

    // Make the stored node of object `id` the current scope, and return from it;
    // ReadPtr loads a newly made object between the two.
    virtual void EnterObjectScope(std::uint64_t id) = 0;
    virtual void LeaveObjectScope() = 0;

private:
    std::string mArchiveTypeName;
    std::deque<Serializable*> mObjectStack; // open for writing, innermost last
    std::map<std::uint64_t, ObjectTableEntry> mObjectTable;
    ObjectFactory* mObjectFactory = nullptr;
};

// Opens an object for writing for as long as the scope lives. The owner saves
// the object's contents only when IsNew(), i.e. when this archive had not
// written the object before.
class ObjectWriteScope
{
public:
    ObjectWriteScope(Archive& archive, Serializable& object, std::string_view name);
    ~ObjectWriteScope();
    ObjectWriteScope(const ObjectWriteScope&) = delete;
    ObjectWriteScope& operator=(const ObjectWriteScope&) = delete;

    bool IsNew() const noexcept { return mId != 0; }
    std::uint64_t GetId() const noexcept { return mId; }

private:
    Archive& mArchive;
    Serializable& mObject;
    std::uint64_t mId = 0;
};

// Enters a path of nested objects for as long as the scope lives.
class PathScope
{
public:
    PathScope(Archive& archive, const std::vector<std::string>& names);
    ~PathScope();
    PathScope(const PathScope&) = delete;
    PathScope& operator=(const PathScope&) = delete;

    // Whether every named object was found and entered.
    bool IsEntered() const noexcept { return mEntered; }

private:
    Archive& mArchive;
    bool mEntered = false;
    int mCount = 0;
};

} // namespace Serialization
