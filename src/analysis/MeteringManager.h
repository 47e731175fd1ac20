#pragma once
// A level handed from a producer to any number of meter readers, each with
// peak hold and an optional hold time.
//
// Threads: Publish may run on the real-time thread (the third-octave analysis
// publishes from Capture); it neither allocates, locks nor throws. AddMeter,
// the readers' setters and Read run on the UI thread. A reader's held value,
// update time and read flag live in one atomic word, so a publish and a read
// never see each other half done.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class MeteringManager;

class MeterReader
{
public:
    static constexpr float kDefaultDecayRate = 12.0f;
    static constexpr float kDefaultFloor = -160.0f;

    // Ticks after the last update at which the held value falls back to the
    // reset value; 0 holds forever.
    void SetHoldTime(std::int32_t ticks) { mHoldTime = ticks; }
    std::int32_t GetHoldTime() const { return mHoldTime; }
    // Stored as its magnitude; the displays decide how to use it.
    void SetDecayRate(float rate) { mDecayRate = rate < 0.0f ? -rate : rate; }
    float GetDecayRate() const { return mDecayRate; }
    void SetFloor(float floor) { mFloor = floor; }
    float GetFloor() const { return mFloor; }
    float GetResetValue() const { return mResetValue; }
    std::uint32_t GetLastReadTime() const { return mLastReadTime; }

    // The held value, in dB for a linear manager (-1000.0 below 1e-6).
    float Read();

private:
    friend class MeteringManager;
    explicit MeterReader(const MeteringManager& manager);
    // Back to a new reader's settings and held value (UI thread).
    void Reset() noexcept;

    static std::uint64_t Pack(float held, std::uint32_t updateTick, bool read) noexcept;
    // Publisher side; real-time safe.
    void Offer(float value, bool peakHold, std::uint32_t now) noexcept;

    const MeteringManager& mManager;
    const float mResetValue;
    std::atomic<std::uint64_t> mState;
    std::int32_t mHoldTime = 0;
    float mDecayRate = kDefaultDecayRate;
    float mFloor = kDefaultFloor;
    std::uint32_t mLastReadTime = 0;
};

class MeteringManager
{
public:
    // Readers one manager can serve; a display element needs one or two.
    static constexpr std::size_t kMaxMeters = 16;

    // linear: published values are amplitudes (read back in dB); otherwise
    // they are already in dB.
    explicit MeteringManager(bool linear);
    ~MeteringManager();
    MeteringManager(const MeteringManager&) = delete;
    MeteringManager& operator=(const MeteringManager&) = delete;

    bool IsLinear() const { return mLinear; }
    // UI thread. A reader handed back with ReleaseMeter is reused (with its
    // settings and held value reset) before a new one is made, so displays
    // that come and go do not use up the kMaxMeters places. Throws
    // AppFrame::ResAlloc when every place holds a reader in use.
    MeterReader& AddMeter();
    // UI thread. The reader stays with the manager (the publisher may be
    // offering to it right now) and is only marked free for AddMeter.
    void ReleaseMeter(MeterReader& reader) noexcept;
    // Real-time safe.
    void Publish(float value, bool peakHold = true) noexcept;
    float GetLevel() const noexcept { return mLevel.load(std::memory_order_relaxed); }

private:
    const bool mLinear;
    std::atomic<float> mLevel{0.0f};
    std::array<std::atomic<MeterReader*>, kMaxMeters> mReaders{};
    std::atomic<std::size_t> mReaderCount{0};
    std::vector<std::unique_ptr<MeterReader>> mOwned;
    std::vector<MeterReader*> mFree;
};

// Ticks of the UI time base: the millisecond counter divided by 17.
std::uint32_t CurrentTick() noexcept;
