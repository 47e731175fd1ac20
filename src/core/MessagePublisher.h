#pragma once
// Base of every object that publishes messages. Each publisher names its
// classes by its own msgClassRef (usually a four-character code); two
// publishers may use the same code, since the server never looks classes up by
// id.
//
// Threads: UI thread only. Not real-time safe.

#include "core/MessagingServer.h"
#include "core/PluginServices.h"

#include <cstdint>
#include <map>

class MessagePublisher : public PluginServicesClient
{
public:
    // The publisher has no class under the given msgClassRef.
    class BadMsgClassRef : public AppFrame::BadParameter
    {
    public:
        explicit BadMsgClassRef(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::BadParameter(where)
        {
        }
        const char* what() const noexcept override { return "MessagePublisher::BadMsgClassRef"; }
    };

    explicit MessagePublisher(PluginServices* services);
    // Unpublishes every class in ascending msgClassRef order, so every
    // subscriber hears MsgClassDestroyed before the publisher is gone.
    virtual ~MessagePublisher();

    MessagePublisher(const MessagePublisher&) = delete;
    MessagePublisher& operator=(const MessagePublisher&) = delete;

    // Creates the class; std::invalid_argument when the reference is taken.
    virtual MessagingServer::MsgClass* Publish(std::int32_t msgClassRef);
    // Destroys the class (its subscribers hear MsgClassDestroyed).
    virtual void Unpublish(std::int32_t msgClassRef);
    // Delivers at once to every subscriber except `excluded`.
    virtual void Send(std::int32_t msgClassRef, std::int32_t what, MessageParam p1 = 0, MessageParam p2 = 0,
                      MessagingServer::Subscription* excluded = nullptr);
    // Queues for the next dispatch. With freeP2, p2 is null or a std::malloc
    // block that passes to the server with the call: it is released with
    // std::free after delivery, and also when the call throws.
    virtual void Post(std::int32_t msgClassRef, std::int32_t what, MessageParam p1 = 0, MessageParam p2 = 0,
                      bool freeP2 = false);
    // Blocks (true) or unblocks (false) the whole class; blocks nest.
    virtual void Block(bool flag, std::int32_t msgClassRef);

    // The handle subscribers subscribe to.
    MessagingServer::MsgClass* GetMsgClass(std::int32_t msgClassRef) const;

private:
    std::map<std::int32_t, MessagingServer::MsgClass*> mMsgClasses;
};
