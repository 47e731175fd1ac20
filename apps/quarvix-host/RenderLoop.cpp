#include "RenderLoop.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace
{
constexpr std::size_t kMaxChannels = 2;
} // namespace

RenderThread::RenderThread(HostLib::EffectInstance& instance, std::int32_t blockSize, double sampleRate,
                           bool paced)
    : mInstance(instance), mBlockSize(blockSize), mSampleRate(sampleRate), mPaced(paced)
{
    if (mPaced)
        mThread = std::thread(&RenderThread::Run, this);
}

RenderThread::~RenderThread()
{
    if (!mThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mQuit = true;
    }
    mChanged.notify_all();
    mThread.join();
}

void RenderThread::Render(const std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                          std::int64_t frames)
{
    if (!mThread.joinable())
    {
        mInputs = &inputs;
        mOutputs = &outputs;
        mFrames = frames;
        RenderStretch();
        return;
    }
    std::unique_lock<std::mutex> lock(mMutex);
    mInputs = &inputs;
    mOutputs = &outputs;
    mFrames = frames;
    mWorkReady = true;
    mChanged.notify_all();
    mChanged.wait(lock, [this] { return !mWorkReady; });
}

void RenderThread::Run()
{
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;)
    {
        mChanged.wait(lock, [this] { return mWorkReady || mQuit; });
        if (mQuit)
            return;
        // The main thread waits until the stretch is done; the lock is not
        // held while blocks render.
        lock.unlock();
        RenderStretch();
        lock.lock();
        mWorkReady = false;
        mChanged.notify_all();
    }
}

void RenderThread::RenderStretch() noexcept
{
    using Clock = std::chrono::steady_clock;
    if (!mStarted)
    {
        mStart = Clock::now();
        mStarted = true;
    }
    const std::size_t channelCount = std::min(mInputs->size(), kMaxChannels);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    for (std::int64_t done = 0; done < mFrames;)
    {
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(mBlockSize, mFrames - done));
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            in[c] = (*mInputs)[c].data() + done;
            out[c] = (*mOutputs)[c].data() + done;
        }
        mInstance.Render(in.data(), out.data(), frames);
        done += frames;
        mFramesDone += frames;
        ++mBlocks;
        if (mPaced)
        {
            const auto due = mStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                          static_cast<double>(mFramesDone) / mSampleRate));
            std::this_thread::sleep_until(due);
        }
    }
    mSeconds = std::chrono::duration<double>(Clock::now() - mStart).count();
}
