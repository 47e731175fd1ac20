#include "RenderLoop.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace
{

constexpr std::size_t kMaxChannels = 2;

void RenderLoop(const RenderJob& job, RenderResult& result) noexcept
{
    using Clock = std::chrono::steady_clock;
    const std::size_t channelCount = std::min(job.inputs->size(), kMaxChannels);
    std::array<const float*, kMaxChannels> in{};
    std::array<float*, kMaxChannels> out{};
    const Clock::time_point start = Clock::now();
    std::int64_t blocks = 0;
    for (std::int64_t done = 0; done < job.frames;)
    {
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(job.blockSize, job.frames - done));
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            in[c] = (*job.inputs)[c].data() + done;
            out[c] = (*job.outputs)[c].data() + done;
        }
        job.instance->Render(in.data(), out.data(), frames);
        done += frames;
        ++blocks;
        if (job.paced)
        {
            const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(static_cast<double>(done) / job.sampleRate));
            std::this_thread::sleep_until(due);
        }
    }
    result.blocks = blocks;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

RenderResult RenderOnThread(const RenderJob& job)
{
    RenderResult result;
    std::thread renderThread(RenderLoop, std::cref(job), std::ref(result));
    renderThread.join();
    return result;
}
