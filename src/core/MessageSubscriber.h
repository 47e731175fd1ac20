#pragma once
// Mix-in base of every class T that receives messages. T derives from
// MessageSubscriber<T>, subscribes member functions `void T::Handler(std::int32_t
// what)` to message classes under its own subRef keys, and reads p1/p2 of the
// message being delivered through the Current* accessors. Handlers also see
// MsgClassDestroyed (-32768) when a class goes away and must ignore codes they
// do not know.
//
// Threads: UI thread only. Not real-time safe.

#include "core/MessagingServer.h"
#include "core/PluginServices.h"

#include <cstdint>
#include <map>

template <class T>
class MessageSubscriber : public PluginServicesClient
{
public:
    using Handler = void (T::*)(std::int32_t what);

    // The subscriber already uses the subRef.
    class BadSubRef : public AppFrame::BadParameter
    {
    public:
        explicit BadSubRef(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::BadParameter(where)
        {
        }
        const char* what() const noexcept override { return "MessageSubscriber::BadSubRef"; }
    };

    explicit MessageSubscriber(PluginServices* services) : PluginServicesClient(services) {}

    virtual ~MessageSubscriber()
    {
        while (!mEntries.empty())
            Unsubscribe(mEntries.begin()->first);
    }

    MessageSubscriber(const MessageSubscriber&) = delete;
    MessageSubscriber& operator=(const MessageSubscriber&) = delete;

    // Subscribes `handler` to the class under subRef. With replace, an
    // existing subscription under subRef is dropped first; without it a used
    // subRef throws BadSubRef and the existing subscription stays.
    MessagingServer::Subscription* Subscribe(MessagingServer::MsgClass* msgClass, std::int32_t subRef,
                                             Handler handler, bool replace = false)
    {
        if (replace)
            Unsubscribe(subRef);
        auto [entry, inserted] = mEntries.try_emplace(subRef);
        if (!inserted)
            throw BadSubRef();
        try
        {
            MessagingServer& server = GetMessagingServer();
            entry->second.mSubRef = subRef;
            entry->second.mClass = msgClass;
            entry->second.mHandler = handler;
            entry->second.mSubscription =
                server.Subscribe(msgClass, &MessageSubscriber::Trampoline, static_cast<void*>(this), subRef,
                                 &MessageSubscriber::Release);
        }
        catch (...)
        {
            mEntries.erase(entry);
            throw;
        }
        // Map nodes do not move, so the entry's address is stable for its lifetime.
        MessagingServer::SetBookkeeping(entry->second.mSubscription, &entry->second);
        return entry->second.mSubscription;
    }

    // Drops the subscription under subRef; an unknown subRef is ignored.
    void Unsubscribe(std::int32_t subRef) noexcept
    {
        const auto entry = mEntries.find(subRef);
        if (entry == mEntries.end())
            return;
        const Entry removed = entry->second;
        mEntries.erase(entry);
        try
        {
            GetMessagingServer().Unsubscribe(removed.mClass, removed.mSubscription);
        }
        catch (...)
        {
            // No server any more: it has freed every class and subscription,
            // and released them to us before it went.
        }
    }

    bool IsSubscribed(std::int32_t subRef) const noexcept { return mEntries.count(subRef) != 0; }
    // The server's handle for subRef (for exclusion, DeliverTo and blocking),
    // or null when subRef is not in use.
    MessagingServer::Subscription* GetSubscription(std::int32_t subRef) const noexcept
    {
        const auto entry = mEntries.find(subRef);
        return entry == mEntries.end() ? nullptr : entry->second.mSubscription;
    }

    // The message being delivered, written just before each handler call.
    // A handler that sends a message it receives itself sees the inner
    // message's values afterwards: read them first.
    std::int32_t GetCurrentSubRef() const noexcept { return mCurrentSubRef; }
    MessagingServer::MsgClass* GetCurrentMsgClass() const noexcept { return mCurrentClass; }
    MessageParam GetCurrentP1() const noexcept { return mCurrentP1; }
    MessageParam GetCurrentP2() const noexcept { return mCurrentP2; }

private:
    struct Entry
    {
        std::int32_t mSubRef = 0;
        MessagingServer::Subscription* mSubscription = nullptr;
        MessagingServer::MsgClass* mClass = nullptr;
        Handler mHandler = nullptr;
    };

    static void Trampoline(MessagingServer::Subscription* subscription, void* userData, std::int32_t subRef,
                           MessagingServer::MsgClass* msgClass, std::int32_t what, MessageParam p1, MessageParam p2)
    {
        if (!userData)
            return;
        auto* self = static_cast<MessageSubscriber*>(userData);
        // Null while T is being destroyed: its handlers must not run then.
        T* target = dynamic_cast<T*>(self);
        const auto* entry = static_cast<const Entry*>(MessagingServer::GetBookkeeping(subscription));
        self->mCurrentSubRef = subRef;
        self->mCurrentClass = msgClass;
        self->mCurrentP1 = p1;
        self->mCurrentP2 = p2;
        if (target && entry && entry->mHandler)
            (target->*(entry->mHandler))(what);
        // The entry of a destroyed class is dropped by Release, which the
        // server calls after this notice, and also for blocked subscriptions
        // that get no notice at all.
    }

    static void Release(MessagingServer::Subscription* subscription, void* userData, std::int32_t subRef) noexcept
    {
        auto* self = static_cast<MessageSubscriber*>(userData);
        const auto entry = self->mEntries.find(subRef);
        // The subRef may already name a newer subscription made by the handler
        // of the notice; the old one is still allocated, so comparing handles
        // is exact.
        if (entry != self->mEntries.end() && entry->second.mSubscription == subscription)
            self->mEntries.erase(entry);
    }

    std::map<std::int32_t, Entry> mEntries;
    std::int32_t mCurrentSubRef = 0;
    MessagingServer::MsgClass* mCurrentClass = nullptr;
    MessageParam mCurrentP1 = 0;
    MessageParam mCurrentP2 = 0;
};
