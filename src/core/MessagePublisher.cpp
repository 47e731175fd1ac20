#include "core/MessagePublisher.h"

#include <cstdlib>
#include <stdexcept>

MessagePublisher::MessagePublisher(PluginServices* services) : PluginServicesClient(services) {}

MessagePublisher::~MessagePublisher()
{
    // Unpublish drops the entry before anything can fail, so this ends.
    while (!mMsgClasses.empty())
    {
        try
        {
            Unpublish(mMsgClasses.begin()->first);
        }
        catch (...)
        {
            // The services are already gone, and with them the classes.
        }
    }
}

MessagingServer::MsgClass* MessagePublisher::Publish(std::int32_t msgClassRef)
{
    auto [entry, inserted] = mMsgClasses.try_emplace(msgClassRef, nullptr);
    if (!inserted)
        throw std::invalid_argument("MessagePublisher::Publish: msgClassRef is not unique.");
    try
    {
        entry->second = GetMessagingServer().CreateMsgClass(msgClassRef);
    }
    catch (...)
    {
        mMsgClasses.erase(entry);
        throw;
    }
    return entry->second;
}

void MessagePublisher::Unpublish(std::int32_t msgClassRef)
{
    const auto entry = mMsgClasses.find(msgClassRef);
    if (entry == mMsgClasses.end())
        throw BadMsgClassRef();
    MessagingServer::MsgClass* msgClass = entry->second;
    // Forgotten before the subscribers are told, so that a subscriber reacting
    // to the notice cannot reach the dying class through this publisher, and
    // may even publish the same reference again.
    mMsgClasses.erase(entry);
    GetMessagingServer().DestroyMsgClass(msgClass);
}

void MessagePublisher::Send(std::int32_t msgClassRef, std::int32_t what, MessageParam p1, MessageParam p2,
                            MessagingServer::Subscription* excluded)
{
    MessagingServer::MsgClass* msgClass = GetMsgClass(msgClassRef);
    GetMessagingServer().Deliver(msgClass, what, p1, p2, excluded);
}

void MessagePublisher::Post(std::int32_t msgClassRef, std::int32_t what, MessageParam p1, MessageParam p2,
                            bool freeP2)
{
    MessagingServer::MsgClass* msgClass = nullptr;
    MessagingServer* server = nullptr;
    try
    {
        msgClass = GetMsgClass(msgClassRef);
        server = &GetMessagingServer();
    }
    catch (...)
    {
        // The block was handed over with the call, whether or not it is queued.
        if (freeP2)
            std::free(reinterpret_cast<void*>(p2));
        throw;
    }
    server->Post(msgClass, what, p1, p2, freeP2);
}

void MessagePublisher::Block(bool flag, std::int32_t msgClassRef)
{
    MessagingServer::SetBlocked(GetMsgClass(msgClassRef), flag);
}

MessagingServer::MsgClass* MessagePublisher::GetMsgClass(std::int32_t msgClassRef) const
{
    const auto entry = mMsgClasses.find(msgClassRef);
    if (entry == mMsgClasses.end())
        throw BadMsgClassRef();
    return entry->second;
}
