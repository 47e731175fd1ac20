#include "LiveRender.h"

#include "AlsaOutput.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <pthread.h>

namespace
{
// Long enough that a main thread busy painting never keeps the render thread
// waiting; short enough to cost little memory and no noticeable delay.
constexpr double kStretchSeconds = 0.25;
// How long a paced wait may go without looking at the stop flag.
constexpr auto kLongestSleep = std::chrono::milliseconds(20);
constexpr std::size_t kMaxChannels = 2;

std::int64_t StretchFrames(std::int32_t blockSize, double sampleRate)
{
    const auto blocks = static_cast<std::int64_t>(std::ceil(kStretchSeconds * sampleRate / blockSize));
    return std::max<std::int64_t>(blocks, 1) * blockSize;
}
} // namespace

LiveRenderer::LiveRenderer(HostLib::EffectInstance& instance, AudioSource& source, std::int32_t blockSize,
                           AlsaOutput* output)
    : mInstance(instance), mSource(source), mBlockSize(blockSize), mSampleRate(source.GetSampleRate()),
      mOutput(output), mStretchFrames(StretchFrames(blockSize, mSampleRate)),
      mOutputs(static_cast<std::size_t>(source.GetChannelCount()),
               std::vector<float>(static_cast<std::size_t>(blockSize)))
{
    for (Stretch& stretch : mStretches)
        stretch.inputs.assign(mOutputs.size(), std::vector<float>(static_cast<std::size_t>(mStretchFrames)));
    Feed();
    mThread = std::thread(&LiveRenderer::Run, this);
}

LiveRenderer::~LiveRenderer()
{
    Stop();
}

void LiveRenderer::Feed()
{
    while (!mSourceEnded)
    {
        Stretch& stretch = mStretches[mFillIndex];
        if (stretch.full.load(std::memory_order_acquire))
            return;
        stretch.frames = mSource.Read(stretch.inputs, mStretchFrames);
        mSourceEnded = stretch.frames == 0;
        {
            // Under the lock, so a render thread about to wait cannot miss it.
            std::lock_guard<std::mutex> lock(mMutex);
            stretch.full.store(true, std::memory_order_release);
        }
        mFilled.notify_one();
        mFillIndex = (mFillIndex + 1) % mStretches.size();
    }
}

void LiveRenderer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStop.store(true);
    }
    mFilled.notify_one();
    if (mThread.joinable())
        mThread.join();
}

void LiveRenderer::Run() noexcept
{
    // Ctrl+C and kill are the main thread's to hear: there they cut its wait
    // for the display short.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    mOrigin = Clock::now();
    for (std::size_t index = 0;; index = (index + 1) % mStretches.size())
    {
        Stretch& stretch = mStretches[index];
        if (!WaitFor(stretch))
            return;
        if (stretch.frames == 0)
        {
            if (mOutput)
                mOutput->Drain();
            mEnded.store(true, std::memory_order_release);
            return;
        }
        if (!RenderStretch(stretch))
            return;
        stretch.full.store(false, std::memory_order_release);
    }
}

bool LiveRenderer::WaitFor(const Stretch& stretch)
{
    if (stretch.full.load(std::memory_order_acquire))
        return !mStop.load();
    std::unique_lock<std::mutex> lock(mMutex);
    mFilled.wait(lock, [&] { return stretch.full.load(std::memory_order_acquire) || mStop.load(); });
    // The main thread was late: the audio goes on from now rather than
    // rushing to catch up.
    const std::chrono::duration<double> played(static_cast<double>(GetFramesRendered()) / mSampleRate);
    mOrigin = Clock::now() - std::chrono::duration_cast<Clock::duration>(played);
    return !mStop.load();
}

bool LiveRenderer::RenderStretch(const Stretch& stretch) noexcept
{
    const std::size_t channelCount = std::min(stretch.inputs.size(), kMaxChannels);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    for (std::size_t c = 0; c < channelCount; ++c)
        out[c] = mOutputs[c].data();
    for (std::int64_t done = 0; done < stretch.frames;)
    {
        if (mStop.load(std::memory_order_relaxed))
            return false;
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(mBlockSize, stretch.frames - done));
        for (std::size_t c = 0; c < channelCount; ++c)
            in[c] = stretch.inputs[c].data() + done;
        mInstance.Render(in.data(), out.data(), frames);
        done += frames;
        const std::int64_t rendered = GetFramesRendered() + frames;
        mFramesRendered.store(rendered, std::memory_order_relaxed);
        if (mOutput)
        {
            // The device's clock: the write returns when it has room.
            const int error = mOutput->Write(out.data(), frames);
            if (error < 0)
            {
                mDeviceError.store(error, std::memory_order_release);
                return false;
            }
            continue;
        }
        const Clock::time_point due =
            mOrigin + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(static_cast<double>(rendered) / mSampleRate));
        for (Clock::time_point now = Clock::now(); now < due && !mStop.load(std::memory_order_relaxed);
             now = Clock::now())
            std::this_thread::sleep_until(std::min(due, now + kLongestSleep));
    }
    return true;
}
