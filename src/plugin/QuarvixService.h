#pragma once
// The template every analysis service is built on, and the base of the
// objects that use a service (its clients).
//
// A client registers with its service and says whether it is active; the
// service asks IsActive() before doing work nobody would see: with clients
// registered it is active when at least one of them is, with none it is
// active when its no-clients-means-active flag is set (the default).
//
// Threads: registering, unregistering and changing a client's activity on the
// UI thread only. IsActive is real-time safe (two atomic reads) and is what
// Capture asks on the real-time thread.

#include "plugin/QuarvixServiceBase.h"
#include "plugin/Quarvix.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

template <class T, int N, class Client>
class QuarvixService;

template <class T>
class QuarvixServiceClient
{
public:
    explicit QuarvixServiceClient(T* service = nullptr, bool active = true) : mActive(active)
    {
        SetService(service);
    }
    virtual ~QuarvixServiceClient() { SetService(nullptr); }
    QuarvixServiceClient(const QuarvixServiceClient&) = delete;
    QuarvixServiceClient& operator=(const QuarvixServiceClient&) = delete;

    // Unregisters from the previous service and registers with the new one.
    void SetService(T* service)
    {
        if (service == mService)
            return;
        if (mService)
            mService->UnregisterClient(*this);
        if (service)
            service->RegisterClient(*this);
    }
    T* GetService() const noexcept { return mService; }

    bool IsClientActive() const noexcept { return mActive; }
    void SetClientActive(bool active)
    {
        if (active == mActive)
            return;
        mActive = active;
        if (mService)
            mService->ClientActivityChanged(active);
    }

private:
    template <class, int, class>
    friend class QuarvixService;

    T* mService = nullptr;
    bool mActive = true;
};

template <class T, int N, class Client = QuarvixServiceClient<T>>
class QuarvixService : public QuarvixServiceBase
{
public:
    QuarvixService() : QuarvixServiceBase(N != 0) {}
    // Clients that outlive the service are left without one.
    ~QuarvixService() override
    {
        for (Client* client : mClients)
            client->mService = nullptr;
    }

    void RegisterClient(Client& client)
    {
        if (std::find(mClients.begin(), mClients.end(), &client) != mClients.end())
            return;
        mClients.push_back(&client);
        client.mService = static_cast<T*>(this);
        mClientCount.fetch_add(1, std::memory_order_relaxed);
        if (client.mActive)
            mActiveClientCount.fetch_add(1, std::memory_order_relaxed);
    }

    void UnregisterClient(Client& client)
    {
        const auto found = std::find(mClients.begin(), mClients.end(), &client);
        if (found == mClients.end())
            return;
        mClients.erase(found);
        client.mService = nullptr;
        if (client.mActive)
            mActiveClientCount.fetch_sub(1, std::memory_order_relaxed);
        mClientCount.fetch_sub(1, std::memory_order_relaxed);
    }

    // Called by a registered client whose activity changed.
    void ClientActivityChanged(bool active)
    {
        if (active)
            mActiveClientCount.fetch_add(1, std::memory_order_relaxed);
        else
            mActiveClientCount.fetch_sub(1, std::memory_order_relaxed);
    }

    const std::vector<Client*>& GetClients() const noexcept { return mClients; }

    // Real-time safe.
    bool IsActive() const noexcept
    {
        if (mClientCount.load(std::memory_order_relaxed) == 0)
            return mNoClientsMeansActive.load(std::memory_order_relaxed);
        return mActiveClientCount.load(std::memory_order_relaxed) > 0;
    }

    void SetNoClientsMeansActive(bool active) noexcept { mNoClientsMeansActive.store(active, std::memory_order_relaxed); }

private:
    std::vector<Client*> mClients;
    std::atomic<std::int32_t> mClientCount{0};
    std::atomic<std::int32_t> mActiveClientCount{0};
    std::atomic<bool> mNoClientsMeansActive{true};
};

// The service of type T among those the plug-in object owns, or null (no
// such service, or a core that is not the analyzer's plug-in object).
template <class T>
T* FindQuarvixService(PluginCore* core)
{
    auto* plugin = dynamic_cast<Quarvix*>(core);
    if (!plugin)
        return nullptr;
    for (QuarvixServiceBase* service : plugin->GetServices())
    {
        if (auto* found = dynamic_cast<T*>(service))
            return found;
    }
    return nullptr;
}
