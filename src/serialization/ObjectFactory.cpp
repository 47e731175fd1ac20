#include "serialization/ObjectFactory.h"

namespace Serialization
{

void ObjectFactory::RegisterCreator(std::string typeName, Creator creator)
{
    mCreators.insert_or_assign(std::move(typeName), std::move(creator));
}

bool ObjectFactory::HasCreator(std::string_view typeName) const
{
    return mCreators.find(typeName) != mCreators.end();
}

std::unique_ptr<Serializable> ObjectFactory::CreateObject(std::string_view typeName) const
{
    const auto it = mCreators.find(typeName);
    if (it == mCreators.end() || !it->second)
        return nullptr;
    return it->second();
}

} // namespace Serialization
