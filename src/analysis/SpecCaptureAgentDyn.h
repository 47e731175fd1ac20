#pragma once
// The pool of 32 slots through which finished FFT frames pass from the
// real-time thread (producer) to the UI thread (consumer) without a lock.
//
// Each slot has two flags, each written by one side only: the producer flips
// its flag to hand a filled slot over (the slot is full when the flags are
// equal), the consumer flips its own to give the slot back (free when they
// differ). A flip is a release store and every test of the other side's flag an
// acquire load, so the samples written before a flip are visible to the side
// that sees it.
//
// Threads: StoreFrame runs on the real-time thread and neither allocates,
// locks nor throws. TakeFullSlots, ReleaseSlot and SetEnabled run on the UI
// thread. Configure and SetMode reallocate the slots: the owner must make sure
// no StoreFrame runs meanwhile (the spectrum service holds its guard mutex).

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class SpecCaptureAgentDyn
{
public:
    enum Mode : std::int32_t
    {
        kModeIdle = 0,
        kModeSlots = 1,
    };

    class Slot
    {
    public:
        Slot(std::int32_t slotLength, std::int32_t channelCount);

        bool IsFull() const noexcept
        {
            return mConsumerFlag.load(std::memory_order_acquire) ==
                   mProducerFlag.load(std::memory_order_acquire);
        }
        std::uint32_t GetSequence() const noexcept { return mSequence; }
        // The transform length stored with the frame (the FFT size it came from).
        std::int32_t GetLength() const noexcept { return mLength; }
        std::span<const float> GetChannelA() const noexcept { return mChannelA; }
        // Empty when the agent holds one channel.
        std::span<const float> GetChannelB() const noexcept { return mChannelB; }

    private:
        friend class SpecCaptureAgentDyn;
        std::atomic<std::int32_t> mConsumerFlag{0};
        std::atomic<std::int32_t> mProducerFlag{1};
        std::uint32_t mSequence = 0;
        std::vector<float> mChannelA;
        std::vector<float> mChannelB;
        std::int32_t mLength = 0;
    };

    explicit SpecCaptureAgentDyn(std::int32_t slotCount = 32);
    virtual ~SpecCaptureAgentDyn();
    SpecCaptureAgentDyn(const SpecCaptureAgentDyn&) = delete;
    SpecCaptureAgentDyn& operator=(const SpecCaptureAgentDyn&) = delete;

    // Records the values; in slot mode the slots are made anew when the slot
    // length or channel count changed.
    void Configure(std::int32_t maxBlockSize, std::int32_t slotLength, std::int32_t channelCount);
    void SetMode(std::int32_t mode);
    std::int32_t GetMode() const noexcept { return mMode.load(std::memory_order_relaxed); }
    // Disabled, the agent takes no frames. Enabling it in slot mode discards
    // every pending frame.
    void SetEnabled(bool enabled);
    bool IsEnabled() const noexcept { return mEnabled.load(std::memory_order_acquire); }

    // Producer, once per channel of each frame. Real-time safe.
    void StoreFrame(std::int32_t channelIndex, std::int32_t length, const float* samples,
                    bool storeZeros) noexcept;

    // Consumer: the full slots in slot order; false when there are none or the
    // agent is not in slot mode.
    bool TakeFullSlots(std::vector<Slot*>& fullSlots);
    // Consumer: gives a used slot back to the producer.
    void ReleaseSlot(Slot& slot) noexcept;

    std::int32_t GetSlotCount() const noexcept { return mSlotCount; }
    std::int32_t GetSlotLength() const noexcept { return mSlotLength; }
    std::int32_t GetChannelCount() const noexcept { return mChannelCount; }
    std::uint32_t GetFrameSequence() const noexcept { return mFrameSequence.load(std::memory_order_relaxed); }

private:
    void AllocateSlots();

    const std::int32_t mSlotCount;
    std::int32_t mMaxBlockSize = 0;
    std::int32_t mSlotLength = 0;
    std::int32_t mChannelCount = 1;
    // The shape the slots were made for (0 length: none made yet).
    std::int32_t mAllocatedLength = 0;
    std::int32_t mAllocatedChannels = 0;
    std::atomic<std::int32_t> mMode{kModeIdle};
    std::atomic<bool> mEnabled{true};
    std::atomic<std::uint32_t> mFrameSequence{0};
    Slot* mCurrentSlot = nullptr; // producer only
    std::vector<std::unique_ptr<Slot>> mSlots;
};
