#pragma once
// Creators of archived objects by type name, for reading persistent pointers
// (Archive::ReadPtr) whose targets the reader does not own yet.
//
// Threads: UI thread. Not real-time safe.

#include "serialization/Serializable.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace Serialization
{

class ObjectFactory
{
public:
    using Creator = std::function<std::unique_ptr<Serializable>()>;

    // Registers (or replaces) the creator for objects of one archive type name.
    void RegisterCreator(std::string typeName, Creator creator);

    template <class T>
    void RegisterType(std::string typeName)
    {
        RegisterCreator(std::move(typeName), [] { return std::make_unique<T>(); });
    }

    bool HasCreator(std::string_view typeName) const;

    // A new object of that type, or null when no creator is registered for it.
    std::unique_ptr<Serializable> CreateObject(std::string_view typeName) const;

private:
    std::map<std::string, Creator, std::less<>> mCreators;
};

} // namespace Serialization
