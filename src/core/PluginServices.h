#pragma once
// The services of one plug-in instance: its software timers and its message
// server. There is no global registry; every instance owns its own set, so the
// objects of two instances never see each other's timers or messages.
//
// Threads: UI thread only (construction, destruction and every accessor).
// Not real-time safe: the services allocate.

#include "base/Exceptions.h"

#include <memory>

class TimerManager;
class MessagingServer;

class PluginServices
{
public:
    // Thrown when a service is asked for before it exists or after it is gone.
    class PluginServicesNotReady : public AppFrame::Exception
    {
    public:
        explicit PluginServicesNotReady(const std::source_location& where = std::source_location::current()) noexcept
            : AppFrame::Exception(where)
        {
        }
        const char* what() const noexcept override { return "PluginServices::PluginServicesNotReady"; }
    };

    // Creates the timer manager, then the message server.
    PluginServices();
    // Destroys them in reverse order. While a service is being destroyed its
    // accessor already throws PluginServicesNotReady, so that objects reacting
    // to the shutdown (for example to MsgClassDestroyed) cannot reach it.
    virtual ~PluginServices();

    PluginServices(const PluginServices&) = delete;
    PluginServices& operator=(const PluginServices&) = delete;

    TimerManager& GetTimerManager();
    MessagingServer& GetMessagingServer();

private:
    std::unique_ptr<TimerManager> mTimerManager;
    std::unique_ptr<MessagingServer> mMessagingServer;
};

// Base of every object that needs its instance's timers or messages. It only
// keeps the pointer; the services are owned by the plug-in object.
class PluginServicesClient
{
public:
    explicit PluginServicesClient(PluginServices* services) noexcept : mPluginServices(services) {}
    virtual ~PluginServicesClient() = default;

    PluginServices* GetPluginServices() const noexcept { return mPluginServices; }

    // Both throw PluginServices::PluginServicesNotReady when there are no
    // services or the requested one is missing.
    TimerManager& GetTimerManager() const;
    MessagingServer& GetMessagingServer() const;

private:
    PluginServices* mPluginServices;
};
