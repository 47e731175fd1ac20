#include "AudioFile.h"

#include "HostError.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

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

// A left-justified integer sample as a float: converted, then scaled by
// 2^-31. The scale is a power of two, so the result is the exact quotient
// rounded once, as dividing would give.
float IntegerToFloat(std::int32_t value) noexcept
{
    return static_cast<float>(value) * static_cast<float>(1.0 / kIntegerScale);
}
// One channel of interleaved samples, as floats. A channel at a time and
// with the stride known to the compiler for mono and stereo, so that the
// loops are vector code.
template <class Sample>
void Deinterleave(const Sample* in, std::size_t stride, std::size_t frames, float* out) noexcept
{
    const auto convert = [](Sample value) noexcept
    {
        if constexpr (std::is_same_v<Sample, float>)
            return value;
        else
            return IntegerToFloat(value);
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

std::uint32_t LittleEndian32(const unsigned char* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t LittleEndian16(const unsigned char* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Reads exactly size bytes at offset; false on an error or the end of the file.
bool ReadAt(int descriptor, unsigned char* to, std::size_t size, std::int64_t offset) noexcept
{
    while (size > 0)
    {
        const ssize_t got = ::pread(descriptor, to, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        to += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// The frames of a run of little-endian samples of Bytes bytes, Channels
// interleaved, into one float buffer per channel: integers left-justified to
// 32 bits as libsndfile's integer interface gives them, then converted as
// Deinterleave converts them; floats as they are. Each sample is loaded as the
// four bytes from its first one and shifted, so `in` must have three bytes
// to spare after the last frame.
template <int Bytes, bool Floats, int Channels>
void DecodeFrames(const unsigned char* in, std::size_t frames, float* const* out) noexcept
{
    float* to[Channels];
    std::copy(out, out + Channels, to);
    for (std::size_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < Channels; ++c, in += Bytes)
        {
            std::uint32_t word;
            std::memcpy(&word, in, sizeof word);
            if constexpr (Floats)
                std::memcpy(&to[c][i], &word, sizeof(float));
            else
                to[c][i] = IntegerToFloat(static_cast<std::int32_t>(word << (8 * (4 - Bytes))));
        }
    }
}

template <int Bytes, bool Floats>
void DecodeFrames(const unsigned char* in, std::size_t channels, std::size_t frames, float* const* out) noexcept
{
    if (channels == 1)
        DecodeFrames<Bytes, Floats, 1>(in, frames, out);
    else
        DecodeFrames<Bytes, Floats, 2>(in, frames, out);
}

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
    OpenDataDirectly();
    if (ReadsDataDirectly())
        return;
    const auto samples = static_cast<std::size_t>(kChunkFrames) * static_cast<std::size_t>(mChannelCount);
    if (UsesIntegerPath(mFormat))
        mInts.resize(samples);
    else
        mFloats.resize(samples);
}

AudioReader::~AudioReader()
{
    if (mDirect.descriptor >= 0)
        ::close(mDirect.descriptor);
    sf_close(mFile);
}

void AudioReader::OpenDataDirectly()
{
    int bytes = 0;
    bool floats = false;
    switch (mFormat & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_16:
        bytes = 2;
        break;
    case SF_FORMAT_PCM_24:
        bytes = 3;
        break;
    case SF_FORMAT_PCM_32:
        bytes = 4;
        break;
    case SF_FORMAT_FLOAT:
        bytes = 4;
        floats = true;
        break;
    default:
        return;
    }
    const int type = mFormat & SF_FORMAT_TYPEMASK;
    if ((type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) ||
        ((mFormat & SF_FORMAT_ENDMASK) != SF_ENDIAN_FILE && (mFormat & SF_FORMAT_ENDMASK) != SF_ENDIAN_LITTLE))
        return;
    const int descriptor = ::open(mPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    struct stat status{};
    std::array<unsigned char, 40> fmt{}; // with the extensible format's fields
    std::array<unsigned char, 12> riff{};
    bool fmtSeen = false;
    std::int64_t dataOffset = -1, dataSize = 0;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        ReadAt(descriptor, riff.data(), riff.size(), 0) && std::memcmp(riff.data(), "RIFF", 4) == 0 &&
        std::memcmp(riff.data() + 8, "WAVE", 4) == 0)
    {
        // The chunks after the header, each an id, a size and its body padded to an even length.
        std::int64_t position = 12;
        for (int chunk = 0; chunk < 4096 && position + 8 <= status.st_size; ++chunk)
        {
            std::array<unsigned char, 8> header{};
            if (!ReadAt(descriptor, header.data(), header.size(), position))
                break;
            const std::int64_t size = LittleEndian32(header.data() + 4);
            if (std::memcmp(header.data(), "fmt ", 4) == 0 && size >= 16)
            {
                const auto length = std::min<std::size_t>(fmt.size(), static_cast<std::size_t>(size));
                fmtSeen = ReadAt(descriptor, fmt.data(), length, position + 8);
            }
            if (std::memcmp(header.data(), "data", 4) == 0)
            {
                dataOffset = position + 8;
                dataSize = size;
                break;
            }
            position += 8 + size + (size & 1);
        }
    }
    // The fmt chunk must describe what libsndfile found (format tag PCM or
    // IEEE float, directly or as the extensible format's subformat with every
    // bit of the sample valid; the channels, block alignment and sample size),
    // and the data chunk must hold exactly the announced frames.
    const int code = floats ? 3 : 1;
    const int tag = LittleEndian16(fmt.data());
    const bool extensible = tag == 0xFFFE && LittleEndian16(fmt.data() + 16) >= 22 &&
                            LittleEndian16(fmt.data() + 18) == bytes * 8 && LittleEndian16(fmt.data() + 24) == code;
    const std::int64_t frameBytes = static_cast<std::int64_t>(bytes) * mChannelCount;
    const bool matches = fmtSeen && (tag == code || extensible) &&
                         LittleEndian16(fmt.data() + 2) == mChannelCount && LittleEndian16(fmt.data() + 12) == frameBytes &&
                         LittleEndian16(fmt.data() + 14) == bytes * 8 && dataOffset > 0 &&
                         dataSize == mAnnouncedFrames * frameBytes && dataOffset + dataSize <= status.st_size;
    if (!matches)
    {
        ::close(descriptor);
        return;
    }
    ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    mDirect.descriptor = descriptor;
    mDirect.offset = dataOffset;
    mDirect.bytesPerSample = bytes;
    mDirect.floats = floats;
    mDirect.bytes.resize(static_cast<std::size_t>(kChunkFrames * frameBytes) + 3); // see DecodeFrames
}

std::int64_t AudioReader::ReadDirectly(ChannelBuffers& channels, std::int64_t frames)
{
    const auto channelCount = static_cast<std::size_t>(mChannelCount);
    const std::size_t bytes = static_cast<std::size_t>(mDirect.bytesPerSample);
    const std::size_t frameBytes = bytes * channelCount;
    std::int64_t done = 0;
    while (done < frames)
    {
        const auto n = static_cast<std::size_t>(std::min(kChunkFrames, frames - done));
        errno = 0;
        if (!ReadAt(mDirect.descriptor, mDirect.bytes.data(), n * frameBytes,
                    mDirect.offset + mFramesRead * static_cast<std::int64_t>(frameBytes)))
        {
            // The data chunk was whole when the file was opened: it has shrunk since, or the disk failed.
            if (errno != 0)
                throw HostError("cannot read '" + mPath + "': " + std::strerror(errno));
            throw HostError("cannot read '" + mPath + "': it ends after fewer than " +
                            std::to_string(mFramesRead + static_cast<std::int64_t>(n)) +
                            " frames, but its header announces " + std::to_string(mAnnouncedFrames));
        }
        float* out[2] = {channels[0].data() + done, channels[channelCount - 1].data() + done};
        const unsigned char* in = mDirect.bytes.data();
        if (mDirect.floats)
            DecodeFrames<4, true>(in, channelCount, n, out);
        else if (bytes == 2)
            DecodeFrames<2, false>(in, channelCount, n, out);
        else if (bytes == 3)
            DecodeFrames<3, false>(in, channelCount, n, out);
        else
            DecodeFrames<4, false>(in, channelCount, n, out);
        done += static_cast<std::int64_t>(n);
        mFramesRead += static_cast<std::int64_t>(n);
    }
    return done;
}

std::int64_t AudioReader::Read(ChannelBuffers& channels, std::int64_t frames)
{
    frames = std::min(frames, mAnnouncedFrames - mFramesRead);
    if (ReadsDataDirectly())
        return ReadDirectly(channels, frames);
    const bool integer = !mInts.empty();
    const auto channelCount = static_cast<std::size_t>(mChannelCount);
    std::int64_t done = 0;
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
