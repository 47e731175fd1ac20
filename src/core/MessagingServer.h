#pragma once
// The message server of one plug-in instance. It owns every message class,
// every subscription to a class and the queue of posted messages.
//
// A message is (class, what, p1, p2): `what` is a signed 32-bit code
// (conventionally a four-character code), p1 and p2 are words whose meaning
// each class defines; they may carry pointers, hence pointer-sized.
//
// Threads: UI thread only. Not real-time safe (allocates, calls out to
// handlers). Nothing here is ever called from the audio thread.
//
// Re-entrancy: handlers may Send (delivered at once, depth first), Post
// (delivered later in the same dispatch), subscribe, unsubscribe any
// subscription, block, and destroy classes, including the class being
// delivered. Records unlinked while a delivery walks their class are only
// marked dead and freed when the last walk over that class ends, so a walk
// never follows a link into freed memory.

#include "base/Exceptions.h"

#include <cstdint>

using MessageParam = std::intptr_t;

// The code a class's subscribers receive when the class is being destroyed.
constexpr std::int32_t MsgClassDestroyed = -32768;

class MessagingServer
{
public:
    struct MsgClass;
    struct Subscription;
    struct PostedMessage;

    // Called for each delivered message.
    using Callback = void (*)(Subscription* subscription, void* userData, std::int32_t subRef, MsgClass* msgClass,
                              std::int32_t what, MessageParam p1, MessageParam p2);
    // Called when the server frees a subscription that its owner did not
    // unsubscribe itself (its class was destroyed), whether or not the owner
    // was notified with MsgClassDestroyed: the owner drops its bookkeeping for
    // it here. The subscription is still allocated during the call, so its
    // address cannot have been reused yet.
    using ReleaseHook = void (*)(Subscription* subscription, void* userData, std::int32_t subRef);

    // A class handle to destroy is not in this server's list.
    class BadMsgClassId : public AppFrame::Exception
    {
    public:
        explicit BadMsgClassId(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::Exception(where)
        {
        }
        const char* what() const noexcept override { return "MessagingServer::BadMsgClassId"; }
    };

    MessagingServer() = default;
    // Destroys every class still registered, newest first, as DestroyMsgClass
    // does, then drops whatever is still queued.
    virtual ~MessagingServer();

    MessagingServer(const MessagingServer&) = delete;
    MessagingServer& operator=(const MessagingServer&) = delete;

    // A new class with the given id at the head of the class list. Ids need
    // not be unique: the server never looks a class up by id.
    MsgClass* CreateMsgClass(std::int32_t classId);

    // Tells every subscriber that is neither blocked nor on a blocked class
    // (MsgClassDestroyed, p1 = p2 = 0), frees every subscription and every
    // queued message of the class, then the class itself. Throws
    // BadMsgClassId, touching nothing, when the class is not registered here.
    // Destroying a class that is already being destroyed does nothing.
    // Exceptions thrown by handlers during the notices are discarded: the
    // destruction must complete.
    void DestroyMsgClass(MsgClass* msgClass);

    // A new subscription at the head of the class's list. Throws
    // BadMsgClassId when the class is being destroyed.
    Subscription* Subscribe(MsgClass* msgClass, Callback callback, void* userData, std::int32_t subRef,
                            ReleaseHook release = nullptr);
    // Removes the subscription if it belongs to the class; null or unknown
    // subscriptions are ignored. After this the callback and release hook are
    // never called again.
    void Unsubscribe(MsgClass* msgClass, Subscription* subscription);

    // Synchronous delivery to every subscription of the class, newest first,
    // except `excluded`, blocked subscriptions, and all of them while the class
    // is blocked (tested before each call). Handler exceptions propagate.
    void Deliver(MsgClass* msgClass, std::int32_t what, MessageParam p1, MessageParam p2,
                 Subscription* excluded = nullptr);
    // Delivery to one subscription, unless it or the class is blocked.
    void DeliverTo(MsgClass* msgClass, Subscription* subscription, std::int32_t what, MessageParam p1,
                   MessageParam p2);

    // Queues a message for DispatchPosted. With freeP2 set, p2 must be null or
    // a block from std::malloc; the server releases it with std::free after
    // delivery, or when the message is dropped because its class is destroyed
    // first. Posting to a null class or one being destroyed drops the message.
    void Post(MsgClass* msgClass, std::int32_t what, MessageParam p1, MessageParam p2, bool freeP2 = false);
    // Delivers queued messages oldest first until the queue is empty,
    // including those posted by handlers during the dispatch. A handler
    // exception leaves the rest queued for the next dispatch.
    void DispatchPosted();

    // Adds 1 to the block count when flag is true, subtracts 1 when false,
    // never below 0. A blocked class sends nothing; a blocked subscription
    // receives nothing.
    static void SetBlocked(MsgClass* msgClass, bool flag) noexcept;
    static void SetBlocked(Subscription* subscription, bool flag) noexcept;

    // An opaque word the subscriber keeps with its subscription.
    static void SetBookkeeping(Subscription* subscription, void* bookkeeping) noexcept;
    static void* GetBookkeeping(const Subscription* subscription) noexcept;

    static std::int32_t GetClassId(const MsgClass* msgClass) noexcept;
    static std::int32_t GetBlockCount(const MsgClass* msgClass) noexcept;
    static std::int32_t GetBlockCount(const Subscription* subscription) noexcept;
    static std::int32_t GetSubscriptionCount(const MsgClass* msgClass) noexcept;
    std::int32_t GetPostedCount() const noexcept;

private:
    class WalkGuard;

    bool IsRegistered(const MsgClass* msgClass) const noexcept;
    void Unlink(MsgClass* msgClass) noexcept;
    void DropPosted(MsgClass* msgClass) noexcept;
    static void FreePosted(PostedMessage* message) noexcept;
    static void BeginWalk(MsgClass* msgClass) noexcept;
    static void EndWalk(MsgClass* msgClass) noexcept;
    static void FreeDeadSubscriptions(MsgClass* msgClass) noexcept;

    MsgClass* mClasses = nullptr;         // newest first
    PostedMessage* mPostedHead = nullptr; // oldest first
    PostedMessage* mPostedTail = nullptr;
};
