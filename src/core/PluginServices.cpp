#include "core/PluginServices.h"

#include "core/MessagingServer.h"
#include "core/TimerManager.h"

PluginServices::PluginServices()
    : mTimerManager(std::make_unique<TimerManager>()), mMessagingServer(std::make_unique<MessagingServer>())
{
}

PluginServices::~PluginServices()
{
    // reset() clears the pointer before it deletes, which is what makes the
    // accessors report "not ready" during the teardown.
    mMessagingServer.reset();
    mTimerManager.reset();
}

TimerManager& PluginServices::GetTimerManager()
{
    if (!mTimerManager)
        throw PluginServicesNotReady();
    return *mTimerManager;
}

MessagingServer& PluginServices::GetMessagingServer()
{
    if (!mMessagingServer)
        throw PluginServicesNotReady();
    return *mMessagingServer;
}

TimerManager& PluginServicesClient::GetTimerManager() const
{
    if (!mPluginServices)
        throw PluginServices::PluginServicesNotReady();
    return mPluginServices->GetTimerManager();
}

MessagingServer& PluginServicesClient::GetMessagingServer() const
{
    if (!mPluginServices)
        throw PluginServices::PluginServicesNotReady();
    return mPluginServices->GetMessagingServer();
}
