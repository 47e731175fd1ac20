#include "AudioFile.h"

#include "HostError.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <cmath>
#include <sndfile.h>
#include <type_traits>

namespace
{

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
// One channel of interleaved samples, as floats. A channel at a time and
// with the stride known to the compiler for mono and stereo, so that the
// loops are vector code. Integers are scaled by 2^-31 after their conversion
// to float: the scale is a power of two, so the result is the exact quotient
// rounded once, as dividing would give.
template <class Sample>
void Deinterleave(const Sample* in, std::size_t stride, std::size_t frames, float* out) noexcept
{
    const auto convert = [](Sample value) noexcept
    {
        if constexpr (std::is_same_v<Sample, float>)
            return value;
        else
            return static_cast<float>(value) * static_cast<float>(1.0 / kIntegerScale);
    };
    const auto run = [&](auto knownStride) noexcept
    {
        for (std::size_t i = 0; i < frames; ++i)
            out[i] = convert(in[i * knownStride]);
    };
    if (stride == 1)
        run(std::integral_constant<std::size_t, 1>{});
    else if (stride == 2)
        run(std::integral_constant<std::size_t, 2>{});
    else
        run(stride);
}

// Frames converted per libsndfile call.
constexpr std::int64_t kChunkFrames = 8192;

} // namespace

AudioReader::AudioReader(const std::string& path) : mPath(path)
{
    SF_INFO info{};
    mFile = sf_open(path.c_str(), SFM_READ, &info);
    if (!mFile)
        throw HostError("cannot read '" + path + "': " + sf_strerror(nullptr));
    if (info.channels < 1 || info.channels > 2)
    {
        sf_close(mFile);
        throw HostError("'" + path + "' has " + std::to_string(info.channels) +
                        " channels; the plug-in takes mono or stereo audio");
    }
    mFormat = info.format;
    mSampleRate = info.samplerate;
    mChannelCount = info.channels;
    mAnnouncedFrames = std::max<std::int64_t>(info.frames, 0);
    const auto samples = static_cast<std::size_t>(kChunkFrames) * static_cast<std::size_t>(mChannelCount);
    if (UsesIntegerPath(mFormat))
        mInts.resize(samples);
    else
        mFloats.resize(samples);
}

AudioReader::~AudioReader()
{
    sf_close(mFile);
}

std::int64_t AudioReader::Read(ChannelBuffers& channels, std::int64_t frames)
{
    const bool integer = !mInts.empty();
    const auto channelCount = static_cast<std::size_t>(mChannelCount);
    std::int64_t done = 0;
    frames = std::min(frames, mAnnouncedFrames - mFramesRead);
    while (done < frames)
    {
        const std::int64_t wanted = std::min(kChunkFrames, frames - done);
        const sf_count_t got = integer ? sf_readf_int(mFile, mInts.data(), wanted)
                                       : sf_readf_float(mFile, mFloats.data(), wanted);
        if (got < 0 || sf_error(mFile) != SF_ERR_NO_ERROR)
            throw HostError("cannot read '" + mPath + "': " + sf_strerror(mFile));
        const auto frames = static_cast<std::size_t>(got);
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            float* out = channels[c].data() + done;
            if (integer)
                Deinterleave(mInts.data() + c, channelCount, frames, out);
            else
                Deinterleave(mFloats.data() + c, channelCount, frames, out);
        }
        done += got;
        mFramesRead += got;
        if (got < wanted)
            throw HostError("cannot read '" + mPath + "': it ends after " + std::to_string(mFramesRead) +
                            " frames, but its header announces " + std::to_string(mAnnouncedFrames));
    }
    return done;
}

AudioWriter::AudioWriter(Platform::SafeFileWriter& file, const std::string& path, int format, int sampleRate,
                         int channelCount)
    : mPath(path), mInteger(UsesIntegerPath(format))
{
    SF_INFO info{};
    info.format = format;
    info.samplerate = sampleRate;
    info.channels = channelCount;
    if (!sf_format_check(&info))
        throw HostError("cannot write '" + path + "': the input's format cannot be written");
    // The descriptor stays the writer's: it flushes, closes and moves the file.
    mFile = sf_open_fd(file.GetDescriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!mFile)
        throw HostError("cannot write '" + path + "': " + sf_strerror(nullptr));
    const auto samples = static_cast<std::size_t>(kChunkFrames) * static_cast<std::size_t>(channelCount);
    if (mInteger)
        mInts.resize(samples);
    else
        mFloats.resize(samples);
}

AudioWriter::~AudioWriter()
{
    if (mFile)
        sf_close(mFile);
}

void AudioWriter::Write(const ChannelBuffers& channels, std::int64_t frames)
{
    const std::size_t channelCount = channels.size();
    for (std::int64_t done = 0; done < frames;)
    {
        const std::int64_t count = std::min(kChunkFrames, frames - done);
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        {
            for (std::size_t c = 0; c < channelCount; ++c)
            {
                const float sample = channels[c][static_cast<std::size_t>(done) + i];
                const std::size_t at = i * channelCount + c;
                if (mInteger && std::isnan(sample))
                    mInts[at] = 0;
                else if (mInteger)
                    mInts[at] = static_cast<int>(std::clamp(std::nearbyint(sample * kIntegerScale),
                                                            -kIntegerScale, kIntegerScale - 1.0));
                else
                    mFloats[at] = sample;
            }
        }
        const sf_count_t written = mInteger ? sf_writef_int(mFile, mInts.data(), count)
                                            : sf_writef_float(mFile, mFloats.data(), count);
        if (written != count)
            throw HostError("cannot write '" + mPath + "': " + sf_strerror(mFile));
        done += count;
    }
}

void AudioWriter::Close()
{
    SNDFILE* file = mFile;
    mFile = nullptr;
    sf_write_sync(file);
    const int error = sf_error(file);
    if (sf_close(file) != 0 || error != SF_ERR_NO_ERROR)
        throw HostError("cannot write '" + mPath + "': the file could not be completed");
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
