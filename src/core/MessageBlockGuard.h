#pragma once
// Blocks a message class or one subscription for the guard's lifetime. A radio
// group, for example, blocks its own subscription to a member control while it
// sets that member's state, so that it does not hear its own change back.
// Blocks nest, so guards may overlap. The handle must outlive the guard.
//
// Threads: UI thread only. Real-time safe in itself, but never needed there.

#include "core/MessagingServer.h"
#include "core/PluginServices.h"

class MessageBlockGuard
{
public:
    // The services are those of the instance the handle belongs to; they are
    // asked for the server, so a missing one throws PluginServicesNotReady
    // before anything is blocked.
    MessageBlockGuard(PluginServices* services, MessagingServer::MsgClass* msgClass)
        : mServer(ServerOf(services)), mClass(msgClass)
    {
        mServer.SetBlocked(mClass, true);
    }

    MessageBlockGuard(PluginServices* services, MessagingServer::Subscription* subscription)
        : mServer(ServerOf(services)), mSubscription(subscription)
    {
        mServer.SetBlocked(mSubscription, true);
    }

    ~MessageBlockGuard()
    {
        if (mClass)
            mServer.SetBlocked(mClass, false);
        if (mSubscription)
            mServer.SetBlocked(mSubscription, false);
    }

    MessageBlockGuard(const MessageBlockGuard&) = delete;
    MessageBlockGuard& operator=(const MessageBlockGuard&) = delete;

private:
    static MessagingServer& ServerOf(PluginServices* services)
    {
        return PluginServicesClient(services).GetMessagingServer();
    }

    MessagingServer& mServer;
    MessagingServer::MsgClass* mClass = nullptr;
    MessagingServer::Subscription* mSubscription = nullptr;
};
