#include "analysis/MeteringManager.h"

#include "base/Exceptions.h"
#include "platform/TickCount.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace
{
// The update time is kept to 31 bits beside the read flag; ticks are compared
// modulo 2^31 (about 1.2 years of ticks).
constexpr std::uint32_t kTickMask = 0x7fffffffu;
constexpr std::uint64_t kReadFlag = std::uint64_t{1} << 63;

float HeldOf(std::uint64_t state) noexcept
{
    return std::bit_cast<float>(static_cast<std::uint32_t>(state));
}
std::uint32_t UpdateTickOf(std::uint64_t state) noexcept
{
    return static_cast<std::uint32_t>(state >> 32) & kTickMask;
}
bool ReadFlagOf(std::uint64_t state) noexcept
{
    return (state & kReadFlag) != 0;
}
} // namespace

std::uint32_t CurrentTick() noexcept
{
    return Platform::GetTickCount() / 17u;
}

MeterReader::MeterReader(const MeteringManager& manager)
    : mManager(manager), mResetValue(manager.IsLinear() ? 0.0f : -1000.0f),
      mState(Pack(mResetValue, CurrentTick(), false))
{
}

std::uint64_t MeterReader::Pack(float held, std::uint32_t updateTick, bool read) noexcept
{
    return std::uint64_t{std::bit_cast<std::uint32_t>(held)} |
           (std::uint64_t{updateTick & kTickMask} << 32) | (read ? kReadFlag : 0);
}

void MeterReader::Offer(float value, bool peakHold, std::uint32_t now) noexcept
{
    std::uint64_t state = mState.load(std::memory_order_relaxed);
    for (;;)
    {
        // A peak not yet seen by the reader stays until a larger one comes.
        if (peakHold && !ReadFlagOf(state) && !(value > HeldOf(state)))
            return;
        if (mState.compare_exchange_weak(state, Pack(value, now, false), std::memory_order_release,
                                         std::memory_order_relaxed))
            return;
    }
}

float MeterReader::Read()
{
    const std::uint32_t now = CurrentTick();
    mLastReadTime = now;
    std::uint64_t state = mState.load(std::memory_order_acquire);
    std::uint64_t next;
    do
    {
        float held = HeldOf(state);
        std::uint32_t update = UpdateTickOf(state);
        const std::uint32_t elapsed = (now - update) & kTickMask;
        if (mHoldTime != 0 && elapsed > static_cast<std::uint32_t>(mHoldTime))
        {
            update = now;
            held = mResetValue;
        }
        next = Pack(held, update, true);
    } while (!mState.compare_exchange_weak(state, next, std::memory_order_acq_rel,
                                           std::memory_order_acquire));

    const float held = HeldOf(next);
    if (!mManager.IsLinear())
        return held;
    return held < 1e-6f ? -1000.0f : 20.0f * std::log10(held);
}

MeteringManager::MeteringManager(bool linear) : mLinear(linear) {}

MeteringManager::~MeteringManager() = default;

void MeterReader::Reset() noexcept
{
    mHoldTime = 0;
    mDecayRate = kDefaultDecayRate;
    mFloor = kDefaultFloor;
    mLastReadTime = 0;
    mState.store(Pack(mResetValue, CurrentTick(), false), std::memory_order_release);
}

MeterReader& MeteringManager::AddMeter()
{
    if (!mFree.empty())
    {
        MeterReader* reader = mFree.back();
        mFree.pop_back();
        reader->Reset();
        return *reader;
    }
    const std::size_t count = mReaderCount.load(std::memory_order_relaxed);
    if (count >= kMaxMeters)
        throw AppFrame::ResAlloc();
    // Room for every reader to come back, so that ReleaseMeter never allocates.
    mFree.reserve(kMaxMeters);
    mOwned.push_back(std::unique_ptr<MeterReader>(new MeterReader(*this)));
    MeterReader* reader = mOwned.back().get();
    mReaders[count].store(reader, std::memory_order_relaxed);
    // The publisher sees the reader only once it is complete.
    mReaderCount.store(count + 1, std::memory_order_release);
    return *reader;
}

void MeteringManager::ReleaseMeter(MeterReader& reader) noexcept
{
    if (&reader.mManager != this ||
        std::find(mFree.begin(), mFree.end(), &reader) != mFree.end())
        return;
    mFree.push_back(&reader);
}

void MeteringManager::Publish(float value, bool peakHold) noexcept
{
    mLevel.store(value, std::memory_order_relaxed);
    const std::size_t count = mReaderCount.load(std::memory_order_acquire);
    if (count == 0)
        return;
    const std::uint32_t now = CurrentTick();
    for (std::size_t i = 0; i < count; ++i)
        mReaders[i].load(std::memory_order_relaxed)->Offer(value, peakHold, now);
}
