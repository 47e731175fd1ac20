#pragma once
// Renders channel buffers through an instance, block by block. The file is
// streamed: the main thread hands over one stretch of audio at a time and
// waits; while a stretch renders, the loop only moves channel pointers and
// calls Render (no allocation, no lock, no I/O). With pacing the blocks
// render on a dedicated thread that plays the host's real-time audio thread
// and sleeps between blocks so that they come at the audio's own rate, as a
// live host would deliver them. Without pacing the host's time is the
// audio's own and the stretch renders on the calling thread: handing every
// stretch to another thread would only add two context switches to each.
//
// Threads: constructed, used and destroyed on the main thread; the instance
// must not be touched by the main thread while Render runs.

#include "hostlib/EffectEngine.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class RenderThread
{
public:
    RenderThread(HostLib::EffectInstance& instance, std::int32_t blockSize, double sampleRate, bool paced);
    ~RenderThread();
    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;

    // Renders `frames` frames of inputs into outputs (sized like inputs) on
    // the render thread and returns when they are done.
    void Render(const std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                std::int64_t frames);

    std::int64_t GetBlocks() const { return mBlocks; }
    // Wall-clock time from the first block to the end of the last.
    double GetSeconds() const { return mSeconds; }

private:
    void Run();
    void RenderStretch() noexcept;

    HostLib::EffectInstance& mInstance;
    const std::int32_t mBlockSize;
    const double mSampleRate;
    const bool mPaced;

    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mWorkReady = false;
    bool mQuit = false;
    const std::vector<std::vector<float>>* mInputs = nullptr;
    std::vector<std::vector<float>>* mOutputs = nullptr;
    std::int64_t mFrames = 0;

    // Render thread only while a stretch runs; read by the main thread after.
    std::int64_t mBlocks = 0;
    std::int64_t mFramesDone = 0;
    double mSeconds = 0.0;
    bool mStarted = false;
    std::chrono::steady_clock::time_point mStart;

    std::thread mThread;
};
