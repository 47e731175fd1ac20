#pragma once
// Renders whole channel buffers through an instance, block by block, on a
// dedicated thread that plays the host's real-time audio thread: the loop
// only moves channel pointers and calls Render (no allocation, no lock, no
// I/O). With pacing it sleeps between blocks so that blocks come at the
// audio's own rate, as a live host would deliver them.
//
// Threads: RenderOnThread is called on the main thread and returns when the
// render thread has finished; the instance must not be touched meanwhile.

#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <vector>

struct RenderJob
{
    HostLib::EffectInstance* instance = nullptr;
    const std::vector<std::vector<float>>* inputs = nullptr;
    std::vector<std::vector<float>>* outputs = nullptr; // sized like inputs
    std::int64_t frames = 0;
    std::int32_t blockSize = 1;
    double sampleRate = 44100.0; // for pacing
    bool paced = false;
};

struct RenderResult
{
    std::int64_t blocks = 0;
    double seconds = 0.0; // wall-clock time of the loop
};

RenderResult RenderOnThread(const RenderJob& job);
