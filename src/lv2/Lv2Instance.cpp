#include "lv2/Lv2Instance.h"

#include "host/module/ModuleEntry.h"
#include "lv2/Lv2HostServices.h"

#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace
{
using namespace HostLib;

// Opening and closing the module's group and adding and removing instances.
std::mutex gModuleMutex;
// The instances handed to the host, under gModuleMutex.
std::vector<const Lv2Instance*> gLiveInstances;

// Boxes raised while an instance is made, before its Lv2Plugin exists.
class CreationReceiver final : public Lv2MessageReceiver
{
public:
    explicit CreationReceiver(const Lv2Log& log) : mLog(log) {}
    void OnMessageBox(const EffectMessageBox& box) override
    {
        mLog.Write(Lv2Log::Level::Error, box.caption + ": " + box.text);
    }

private:
    const Lv2Log& mLog;
};

// The engine of the module's group, opened once more; null when it refuses.
EffectEngine* OpenEngine()
{
    if (WinPlugInOpen(kWinPlugInOpenKey) != 0)
        return nullptr;
    EffectHostContext context;
    context.host = &Lv2HostServices::Get();
    if (NewPlugIn(&context) != 0 || !context.engine)
    {
        WinPlugInClose();
        return nullptr;
    }
    return context.engine;
}

Lv2Instance* ToInstance(LV2_Handle handle)
{
    return static_cast<Lv2Instance*>(handle);
}

// ---------------------------------------------------------------- LV2 calls
// Nothing may leave a C callback as an exception.

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features)
{
    for (const Lv2Identity::PluginKind& kind : Lv2Identity::kPlugins)
    {
        if (std::strcmp(kind.uri, descriptor->URI) != 0)
            continue;
        try
        {
            return Lv2Instance::Create(kind, rate, features).release();
        }
        catch (...)
        {
            return nullptr;
        }
    }
    return nullptr;
}

void ConnectPort(LV2_Handle handle, std::uint32_t port, void* data)
{
    ToInstance(handle)->GetPlugin().ConnectPort(port, data);
}

void Run(LV2_Handle handle, std::uint32_t frames)
{
    ToInstance(handle)->GetPlugin().Run(frames);
}

void Cleanup(LV2_Handle handle)
{
    delete ToInstance(handle);
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state,
                      std::uint32_t flags, const LV2_Feature* const* features)
{
    try
    {
        return ToInstance(handle)->GetPlugin().SaveState(store, state, flags, features);
    }
    catch (...)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle state, std::uint32_t flags,
                         const LV2_Feature* const* features)
{
    try
    {
        return ToInstance(handle)->GetPlugin().RestoreState(retrieve, state, flags, features);
    }
    catch (...)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_Worker_Status Work(LV2_Handle handle, LV2_Worker_Respond_Function respond,
                       LV2_Worker_Respond_Handle respondHandle, std::uint32_t size,
                       const void* data)
{
    try
    {
        return ToInstance(handle)->GetPlugin().Work(respond, respondHandle, size, data);
    }
    catch (...)
    {
        return LV2_WORKER_ERR_UNKNOWN;
    }
}

LV2_Worker_Status WorkResponse(LV2_Handle, std::uint32_t, const void*)
{
    return LV2_WORKER_SUCCESS;
}

const LV2_State_Interface kStateInterface = {Save, Restore};
const LV2_Worker_Interface kWorkerInterface = {Work, WorkResponse, nullptr};

const void* ExtensionData(const char* uri)
{
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &kStateInterface;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &kWorkerInterface;
    return nullptr;
}

constexpr LV2_Descriptor MakeDescriptor(const Lv2Identity::PluginKind& kind)
{
    // No activate or deactivate: the instance is ready to run from instantiate on.
    return LV2_Descriptor{kind.uri, Instantiate, ConnectPort, nullptr,
                          Run,      nullptr,     Cleanup,     ExtensionData};
}

const LV2_Descriptor kDescriptors[] = {MakeDescriptor(Lv2Identity::kPlugins[0]),
                                       MakeDescriptor(Lv2Identity::kPlugins[1])};
static_assert(std::size(kDescriptors) == Lv2Identity::kPlugins.size());

} // namespace

std::unique_ptr<Lv2Instance> Lv2Instance::Create(const Lv2Identity::PluginKind& kind, double rate,
                                                 const LV2_Feature* const* features)
{
    const Lv2Features found = Lv2Features::Parse(features);
    const Lv2Log log(found.log, found.map);
    CreationReceiver receiver(log);
    const Lv2HostServices::Scope scope(receiver);

    // Whatever goes wrong from here on, the destructor gives back what was had.
    std::unique_ptr<Lv2Instance> created(new Lv2Instance());
    {
        const std::lock_guard<std::mutex> lock(gModuleMutex);
        created->mEngine = OpenEngine();
        if (created->mEngine)
            created->mInstance = created->mEngine->CreateInstance(kind.typeId);
    }
    if (!created->mEngine)
    {
        log.Write(Lv2Log::Level::Error, "The plug-in could not be opened.");
        return nullptr;
    }
    HostLib::EffectInstance* instance = created->mInstance;
    if (!instance)
    {
        log.Write(Lv2Log::Level::Error, "The plug-in could not create an instance.");
        return nullptr;
    }
    if (instance->SetSampleRate(rate) != kEffectOK)
    {
        const EffectTypeInfo type = instance->GetType();
        log.Write(Lv2Log::Level::Error, "The plug-in does not run at " + std::to_string(rate) +
                                            " Hz (it takes " + std::to_string(type.minSampleRate) +
                                            " to " + std::to_string(type.maxSampleRate) + " Hz).");
        return nullptr;
    }
    if (instance->SetBlockSize(found.BlockSize()) != kEffectOK)
    {
        log.Write(Lv2Log::Level::Error, "The plug-in could not take the block size " +
                                            std::to_string(found.BlockSize()) + ".");
        return nullptr;
    }
    created->mPlugin = std::make_unique<Lv2Plugin>(*instance, DescribeLv2Ports(*instance), found);
    const std::lock_guard<std::mutex> lock(gModuleMutex);
    gLiveInstances.push_back(created.get());
    return created;
}

Lv2Instance* Lv2Instance::FromHandle(const void* handle)
{
    const std::lock_guard<std::mutex> lock(gModuleMutex);
    const auto found = std::find(gLiveInstances.begin(), gLiveInstances.end(), handle);
    return found == gLiveInstances.end() ? nullptr : const_cast<Lv2Instance*>(*found);
}

Lv2Instance::~Lv2Instance()
{
    {
        const std::lock_guard<std::mutex> lock(gModuleMutex);
        std::erase(gLiveInstances, this);
    }
    mPlugin.reset();
    const std::lock_guard<std::mutex> lock(gModuleMutex);
    if (mEngine)
    {
        if (mInstance)
            mEngine->DestroyInstance(mInstance);
        WinPlugInClose();
    }
}

const LV2_Descriptor* QuarvixLv2Descriptor(std::uint32_t index)
{
    return index < std::size(kDescriptors) ? &kDescriptors[index] : nullptr;
}
