#pragma once
// The LV2 side of one inserted instance of the host library: LV2's ports,
// run(), state and worker calls turned into calls of an EffectInstance.
//
// Audio: run() renders the host's call in pieces of at most the instance's
// block size (a host that named no bound, or breaks the one it named, may
// pass any count), straight between the host's buffers; input and output
// may be the same buffer.
//
// Controls: LV2 delivers control values only inside run(). The master
// bypass is set on the instance there, between two render calls, when the
// enabled port changes: the library's bypass switch is an atomic store (see
// host/CVLPTProcess.h). Every other control is a main-thread matter for the
// plug-in (its changes are queued for its UI thread), so run() only records
// the new value and the worker, when the host offers one, hands it to the
// instance; without a worker it waits for the next main-thread call
// (state, or DeliverControlChanges from an editor's idle).
//
// State: the whole state is the settings chunk text under one key
// (Lv2Identity::kSettingsKeyUri), restored with the chunk call; a text the
// plug-in refuses is reported through the log, and the instance keeps the
// settings it had.
//
// Threads:
// - Audio class (real-time): ConnectPort, Run. No allocation, no lock, no
//   exception.
// - Main threads: everything else; SaveState, RestoreState, Work and
//   DeliverControlChanges take the instance's main lock, so an LV2 host's
//   state thread, its worker thread and an editor can share the instance.
//   Run never waits on that lock.

#include "lv2/Lv2Features.h"
#include "lv2/Lv2HostServices.h"
#include "lv2/Lv2Log.h"
#include "lv2/Lv2Ports.h"

#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include "hostlib/EffectEngine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class Lv2Plugin : private Lv2MessageReceiver
{
public:
    // instance: set up for its sample rate and block size; it must outlive
    // this object. ports: DescribeLv2Ports(instance).
    Lv2Plugin(HostLib::EffectInstance& instance, std::vector<Lv2PortInfo> ports,
              const Lv2Features& features);
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    HostLib::EffectInstance& GetInstance() const { return mInstance; }
    const std::vector<Lv2PortInfo>& GetPorts() const { return mPorts; }
    const Lv2Log& GetLog() const { return mLog; }

    // --- audio class ---
    void ConnectPort(std::uint32_t index, void* data) noexcept;
    void Run(std::uint32_t frames) noexcept;

    // --- main threads ---
    // Holds the instance's main lock and sends the library's message boxes
    // of this thread to the instance's log.
    class MainThreadScope
    {
    public:
        explicit MainThreadScope(Lv2Plugin& plugin) : mLock(plugin.mMainLock), mReceiver(plugin) {}

    private:
        std::lock_guard<std::mutex> mLock;
        Lv2HostServices::Scope mReceiver;
    };

    // Hands the control values run() recorded to the instance. Under a
    // MainThreadScope.
    void DeliverControlChanges();

    // LV2 state and worker interfaces.
    LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle,
                               std::uint32_t flags, const LV2_Feature* const* features);
    LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                  std::uint32_t flags, const LV2_Feature* const* features);
    LV2_Worker_Status Work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                           std::uint32_t size, const void* data);

    // Message boxes raised inside this instance's main-thread calls so far.
    int GetMessageBoxCount() const { return mMessageBoxCount; }

private:
    // A control whose value run() records for the main thread.
    struct PendingControl
    {
        std::int32_t controlIndex = 0;
        bool trigger = false;
        float defaultValue = 0.0f;
        float* port = nullptr; // audio class only
        float lastSeen = 0.0f; // audio class only
        std::atomic<float> value{0.0f};
        std::atomic<bool> pending{false};
    };

    void OnMessageBox(const HostLib::EffectMessageBox& box) override;
    // Audio class: reads the control ports; true when a value waits for the main thread.
    bool ReadControlPorts() noexcept;
    // Audio class, with a worker: true when a work call is on its way.
    bool ScheduleDelivery() noexcept;

    HostLib::EffectInstance& mInstance;
    const std::vector<Lv2PortInfo> mPorts;
    const std::int32_t mInputCount;
    const std::int32_t mOutputCount;
    const std::int32_t mBlockSize;
    const std::int32_t mBypassIndex;
    Lv2Log mLog;
    LV2_URID_Map* mMap = nullptr;
    LV2_Worker_Schedule* mSchedule = nullptr;
    LV2_URID mSettingsKey = 0;
    LV2_URID mStringType = 0;
    bool mHasChunk = false;
    HostLib::FourCharCode mChunkId = 0;

    // Port buffers by port index (audio class).
    std::vector<void*> mConnections;
    std::vector<const float*> mAudioInputs;
    std::vector<float*> mAudioOutputs;
    const float* mEnabledPort = nullptr;
    bool mBypassSet = false; // what the instance's bypass control holds (audio class)

    // By port index; null for the ports that are not such controls.
    std::vector<std::unique_ptr<PendingControl>> mPendingByPort;
    std::vector<PendingControl*> mPendingControls;
    std::atomic<bool> mDeliveryScheduled{false};
    bool mDeliveryOwed = false; // audio class: the worker's queue was full

    std::mutex mMainLock;
    int mMessageBoxCount = 0;
};
