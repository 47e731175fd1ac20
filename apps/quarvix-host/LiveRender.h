#pragma once
// Renders a source through an instance as a live host does: on a thread of
// its own that plays the host's real-time audio thread, at the audio's rate.
// With an output device the device's blocking writes pace it (its clock
// rules); without one it sleeps until each block is due by the system's
// clock.
//
// The main thread reads the source (disk, decoding) a stretch ahead into one
// of two buffers while the render thread renders the other; the two meet
// only between stretches. Per block the render thread moves channel
// pointers, calls Render and writes to the device or sleeps: no allocation,
// no lock, no exception.
//
// Threads: constructed, fed and destroyed on the main thread.

#include "AudioSource.h"

#include "hostlib/EffectEngine.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class AlsaOutput;

class LiveRenderer
{
public:
    // Reads the first stretches and starts rendering. output: where the audio
    // is heard (taking blocks of blockSize frames), or null. Throws what the
    // source throws.
    LiveRenderer(HostLib::EffectInstance& instance, AudioSource& source, std::int32_t blockSize,
                 AlsaOutput* output);
    // Stop().
    ~LiveRenderer();
    LiveRenderer(const LiveRenderer&) = delete;
    LiveRenderer& operator=(const LiveRenderer&) = delete;

    // Reads the next stretches into the buffers the render thread is done
    // with; call it often (stretches last a quarter of a second). Throws what
    // the source throws.
    void Feed();
    // Stops the render thread within a block and waits for it.
    void Stop();

    // The source is used up and all of it rendered (and heard, with a device).
    bool HasEnded() const { return mEnded.load(std::memory_order_acquire); }
    // The negative ALSA error that stopped the device, else 0.
    int GetDeviceError() const { return mDeviceError.load(std::memory_order_acquire); }
    std::int64_t GetFramesRendered() const { return mFramesRendered.load(std::memory_order_relaxed); }

private:
    struct Stretch
    {
        ChannelBuffers inputs;
        std::int64_t frames = 0; // 0: the source ended
        // Filled by the main thread, handed to the render thread.
        std::atomic<bool> full{false};
    };

    void Run() noexcept;
    // False when stopped before the stretch was rendered.
    bool RenderStretch(const Stretch& stretch) noexcept;
    // Waits for the stretch; false when stopped first.
    bool WaitFor(const Stretch& stretch);

    using Clock = std::chrono::steady_clock;

    HostLib::EffectInstance& mInstance;
    AudioSource& mSource;
    const std::int32_t mBlockSize;
    const double mSampleRate;
    AlsaOutput* const mOutput;
    const std::int64_t mStretchFrames;

    std::array<Stretch, 2> mStretches;
    std::size_t mFillIndex = 0; // main thread: the next stretch to fill
    bool mSourceEnded = false;  // main thread
    ChannelBuffers mOutputs;    // render thread: one block

    // Render thread: the pacing without a device. Blocks are due at
    // mOrigin + frames rendered / rate.
    Clock::time_point mOrigin;

    std::mutex mMutex; // only to wait for a stretch the main thread is late with
    std::condition_variable mFilled;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mEnded{false};
    std::atomic<int> mDeviceError{0};
    std::atomic<std::int64_t> mFramesRendered{0};

    std::thread mThread;
};
