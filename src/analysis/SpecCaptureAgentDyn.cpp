#include "analysis/SpecCaptureAgentDyn.h"

#include <algorithm>

SpecCaptureAgentDyn::Slot::Slot(std::int32_t slotLength, std::int32_t channelCount)
    : mChannelA(static_cast<std::size_t>(slotLength), 0.0f),
      mChannelB(channelCount == 2 ? static_cast<std::size_t>(slotLength) : 0u, 0.0f)
{
}

SpecCaptureAgentDyn::SpecCaptureAgentDyn(std::int32_t slotCount) : mSlotCount(std::max(slotCount, 1)) {}

SpecCaptureAgentDyn::~SpecCaptureAgentDyn() = default;

void SpecCaptureAgentDyn::Configure(std::int32_t maxBlockSize, std::int32_t slotLength,
                                    std::int32_t channelCount)
{
    mMaxBlockSize = maxBlockSize;
    mSlotLength = std::max(slotLength, 0);
    mChannelCount = channelCount == 2 ? 2 : 1;
    if (GetMode() == kModeSlots &&
        (mSlotLength != mAllocatedLength || mChannelCount != mAllocatedChannels))
        AllocateSlots();
}

void SpecCaptureAgentDyn::SetMode(std::int32_t mode)
{
    mMode.store(mode, std::memory_order_relaxed);
    Configure(mMaxBlockSize, mSlotLength, mChannelCount);
}

void SpecCaptureAgentDyn::AllocateSlots()
{
    mCurrentSlot = nullptr;
    mSlots.clear();
    for (std::int32_t i = 0; i < mSlotCount; ++i)
        mSlots.push_back(std::make_unique<Slot>(mSlotLength, mChannelCount));
    mAllocatedLength = mSlotLength;
    mAllocatedChannels = mChannelCount;
}

void SpecCaptureAgentDyn::SetEnabled(bool enabled)
{
    if (enabled)
    {
        if (GetMode() == kModeSlots)
        {
            for (auto& slot : mSlots)
            {
                if (slot->IsFull())
                    ReleaseSlot(*slot);
            }
        }
        else
        {
            mFrameSequence.store(0, std::memory_order_relaxed);
        }
    }
    mEnabled.store(enabled, std::memory_order_release);
}

void SpecCaptureAgentDyn::StoreFrame(std::int32_t channelIndex, std::int32_t length,
                                     const float* samples, bool storeZeros) noexcept
{
    if (length < 0 || length > mSlotLength || !IsEnabled())
        return;
    const bool last = channelIndex == 1 || mChannelCount == 1;
    if (channelIndex == 0)
        mFrameSequence.fetch_add(1, std::memory_order_relaxed);
    if (GetMode() != kModeSlots)
        return;

    const auto count = static_cast<std::size_t>(length);
    if (channelIndex == 0)
    {
        mCurrentSlot = nullptr;
        for (auto& slot : mSlots)
        {
            if (!slot->IsFull())
            {
                mCurrentSlot = slot.get();
                break;
            }
        }
        if (!mCurrentSlot)
            return; // every slot waits for the consumer: the frame is dropped
        Slot& slot = *mCurrentSlot;
        slot.mSequence = mFrameSequence.load(std::memory_order_relaxed);
        slot.mLength = length;
        if (storeZeros || !samples)
            std::fill_n(slot.mChannelA.begin(), count, 0.0f);
        else
            std::copy_n(samples, count, slot.mChannelA.begin());
        if (last)
        {
            slot.mProducerFlag.store(slot.mProducerFlag.load(std::memory_order_relaxed) ^ 1,
                                     std::memory_order_release);
            mCurrentSlot = nullptr;
        }
        return;
    }

    if (!mCurrentSlot)
        return;
    Slot& slot = *mCurrentSlot;
    if (!slot.mChannelB.empty() && samples)
        std::copy_n(samples, count, slot.mChannelB.begin());
    if (!slot.IsFull())
        slot.mProducerFlag.store(slot.mProducerFlag.load(std::memory_order_relaxed) ^ 1,
                                 std::memory_order_release);
    mCurrentSlot = nullptr;
}

bool SpecCaptureAgentDyn::TakeFullSlots(std::vector<Slot*>& fullSlots)
{
    fullSlots.clear();
    if (GetMode() != kModeSlots)
        return false;
    for (auto& slot : mSlots)
    {
        if (slot->IsFull())
            fullSlots.push_back(slot.get());
    }
    return !fullSlots.empty();
}

void SpecCaptureAgentDyn::ReleaseSlot(Slot& slot) noexcept
{
    // Releasing a slot twice would hand the producer's free slot back as full.
    if (!slot.IsFull())
        return;
    slot.mConsumerFlag.store(slot.mConsumerFlag.load(std::memory_order_relaxed) ^ 1,
                             std::memory_order_release);
}
