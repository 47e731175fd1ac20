#include "AlsaOutput.h"

#include "HostError.h"

#include <alsa/asoundlib.h>

namespace
{
constexpr unsigned kLatencyMicroseconds = 100000;

// ALSA prints its own diagnostics on standard error ("ALSA lib pcm.c:...
// Unknown PCM ..."); we report what failed in one message of ours instead.
extern "C" void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
} // namespace

AlsaOutput::AlsaOutput(const std::string& device, int sampleRate, int channels, std::int32_t maxFrames)
    : mDevice(device), mChannels(static_cast<std::size_t>(channels)),
      mInterleaved(static_cast<std::size_t>(maxFrames) * static_cast<std::size_t>(channels))
{
    snd_lib_error_set_handler(&IgnoreAlsaMessage);
    int error = snd_pcm_open(&mPcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error < 0)
        throw HostError("Cannot open the audio device \"" + device + "\": " + snd_strerror(error));
    // Resampling allowed: a device that does not run at the file's rate
    // still plays it, through ALSA's converter.
    error = snd_pcm_set_params(mPcm, SND_PCM_FORMAT_FLOAT_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                               static_cast<unsigned>(channels), static_cast<unsigned>(sampleRate), 1,
                               kLatencyMicroseconds);
    if (error < 0)
    {
        snd_pcm_close(mPcm);
        throw HostError("The audio device \"" + device + "\" cannot play " + std::to_string(channels) +
                        " channel(s) at " + std::to_string(sampleRate) + " Hz: " + snd_strerror(error));
    }
}

AlsaOutput::~AlsaOutput()
{
    snd_pcm_drop(mPcm);
    snd_pcm_close(mPcm);
}

int AlsaOutput::Write(const float* const* channels, std::int32_t frames) noexcept
{
    float* sample = mInterleaved.data();
    for (std::int32_t i = 0; i < frames; ++i)
    {
        for (std::size_t c = 0; c < mChannels; ++c)
            *sample++ = channels[c][i];
    }
    std::int32_t done = 0;
    while (done < frames)
    {
        const snd_pcm_sframes_t written =
            snd_pcm_writei(mPcm, mInterleaved.data() + static_cast<std::size_t>(done) * mChannels,
                           static_cast<snd_pcm_uframes_t>(frames - done));
        if (written >= 0)
        {
            done += static_cast<std::int32_t>(written);
            continue;
        }
        // An underrun (we were late) or a suspended device: start again
        // from where we are; the gap is heard, the audio goes on.
        const int recovered = snd_pcm_recover(mPcm, static_cast<int>(written), 1);
        if (recovered < 0)
            return recovered;
    }
    return 0;
}

void AlsaOutput::Drain() noexcept
{
    snd_pcm_drain(mPcm);
}

std::string AlsaOutput::ErrorText(int error)
{
    return snd_strerror(error);
}
