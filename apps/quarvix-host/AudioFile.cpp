#include "AudioFile.h"

#include "HostError.h"
#include "OutputFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <sndfile.h>

namespace
{

struct SndFileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;

// libsndfile scales integers to floats by 1/0x8000 on reading but by 0x7fff
// on writing, which would change every sample on the way back. Integer
// encodings therefore go through its 32-bit integer interface, scaled by
// 2^31 both ways.
bool UsesIntegerPath(int format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return true;
    default:
        return false;
    }
}

constexpr double kIntegerScale = 2147483648.0;
constexpr std::int64_t kChunkFrames = 8192;

} // namespace

AudioFile ReadAudioFile(const std::string& path)
{
    SF_INFO info{};
    SndFile file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        throw HostError("cannot read '" + path + "': " + sf_strerror(nullptr));
    if (info.channels < 1 || info.channels > 2)
        throw HostError("'" + path + "' has " + std::to_string(info.channels) +
                        " channels; the plug-in takes mono or stereo audio");
    if (info.frames < 0 || info.frames > std::numeric_limits<std::int32_t>::max())
        throw HostError("'" + path + "' is too long");

    AudioFile audio;
    audio.format = info.format;
    audio.sampleRate = info.samplerate;
    audio.channelCount = info.channels;
    audio.frames = info.frames;
    audio.channels.assign(static_cast<std::size_t>(info.channels),
                          std::vector<float>(static_cast<std::size_t>(info.frames)));

    const bool integer = UsesIntegerPath(info.format);
    const auto channelCount = static_cast<std::size_t>(info.channels);
    std::vector<int> ints(integer ? static_cast<std::size_t>(kChunkFrames) * channelCount : 0);
    std::vector<float> floats(integer ? 0 : static_cast<std::size_t>(kChunkFrames) * channelCount);
    for (std::int64_t done = 0; done < info.frames;)
    {
        const std::int64_t wanted = std::min(kChunkFrames, info.frames - done);
        const sf_count_t got = integer ? sf_readf_int(file.get(), ints.data(), wanted)
                                       : sf_readf_float(file.get(), floats.data(), wanted);
        if (got != wanted)
            throw HostError("cannot read '" + path + "': " + sf_strerror(file.get()));
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i)
        {
            for (std::size_t c = 0; c < channelCount; ++c)
            {
                const std::size_t at = i * channelCount + c;
                audio.channels[c][static_cast<std::size_t>(done) + i] =
                    integer ? static_cast<float>(ints[at] / kIntegerScale) : floats[at];
            }
        }
        done += got;
    }
    return audio;
}

std::string DescribeFormat(int format)
{
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO subtype{};
    subtype.format = format & SF_FORMAT_SUBMASK;
    const bool haveMajor = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0;
    const bool haveSubtype = sf_command(nullptr, SFC_GET_FORMAT_INFO, &subtype, sizeof subtype) == 0;
    std::string text = haveMajor && major.extension ? major.extension : "audio";
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (haveSubtype && subtype.name)
        text += std::string(", ") + subtype.name;
    return text;
}

void WriteAudioFile(OutputFile& output, int format, int sampleRate,
                    const std::vector<std::vector<float>>& channels, std::int64_t frames)
{
    const std::string& path = output.GetPath();
    SF_INFO info{};
    info.format = format;
    info.samplerate = sampleRate;
    info.channels = static_cast<int>(channels.size());
    if (!sf_format_check(&info))
        throw HostError("cannot write '" + path + "': the input's format cannot be written");
    SndFile file(sf_open(output.GetTemporaryPath().c_str(), SFM_WRITE, &info));
    if (!file)
        throw HostError("cannot write '" + path + "': " + sf_strerror(nullptr));

    const bool integer = UsesIntegerPath(format);
    const std::size_t channelCount = channels.size();
    std::vector<int> ints(integer ? static_cast<std::size_t>(kChunkFrames) * channelCount : 0);
    std::vector<float> floats(integer ? 0 : static_cast<std::size_t>(kChunkFrames) * channelCount);
    for (std::int64_t done = 0; done < frames;)
    {
        const std::int64_t count = std::min(kChunkFrames, frames - done);
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        {
            for (std::size_t c = 0; c < channelCount; ++c)
            {
                const float sample = channels[c][static_cast<std::size_t>(done) + i];
                const std::size_t at = i * channelCount + c;
                if (integer && std::isnan(sample))
                    ints[at] = 0;
                else if (integer)
                    ints[at] = static_cast<int>(std::clamp(std::nearbyint(sample * kIntegerScale),
                                                           -kIntegerScale, kIntegerScale - 1.0));
                else
                    floats[at] = sample;
            }
        }
        const sf_count_t written = integer ? sf_writef_int(file.get(), ints.data(), count)
                                           : sf_writef_float(file.get(), floats.data(), count);
        if (written != count)
            throw HostError("cannot write '" + path + "': " + sf_strerror(file.get()));
        done += count;
    }
    if (sf_close(file.release()) != 0)
        throw HostError("cannot write '" + path + "': the file could not be completed");
}
