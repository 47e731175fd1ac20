#pragma once
// Playback through an ALSA device: 32-bit float frames, interleaved, at the
// audio's own rate and channel count, about 100 ms of latency. Writes block
// while the device's buffer is full, so the thread that writes runs at the
// device's clock.
//
// Threads: opened and closed on the main thread; Write and Drain on the
// render thread (one thread at a time), without allocating.

#include <cstdint>
#include <string>
#include <vector>

struct _snd_pcm;

class AlsaOutput
{
public:
    // Opens `device` ("default", "hw:0", "null", ...) for `channels` at
    // `sampleRate`, with room to interleave up to `maxFrames` frames a write.
    // Throws HostError naming the device and ALSA's reason when it cannot.
    AlsaOutput(const std::string& device, int sampleRate, int channels, std::int32_t maxFrames);
    // Stops at once: what the device still holds is dropped.
    ~AlsaOutput();
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    // Plays `frames` frames (at most maxFrames) of one buffer per channel,
    // recovering from underruns. 0, or the negative ALSA error the device
    // could not recover from.
    int Write(const float* const* channels, std::int32_t frames) noexcept;
    // Waits until everything written has been heard.
    void Drain() noexcept;

    const std::string& GetDevice() const { return mDevice; }
    // ALSA's text for an error Write returned.
    static std::string ErrorText(int error);

private:
    std::string mDevice;
    _snd_pcm* mPcm = nullptr;
    std::size_t mChannels = 0;
    std::vector<float> mInterleaved;
};
