// The host program's reader decodes the data chunk of plain WAV files itself.
// Whatever it decodes must be what libsndfile's own reading gives, for every
// sample width it takes, through chunks before and after the data, odd chunk
// sizes with their pad byte and reads of any length; any other layout goes
// through libsndfile.

#include "AudioFile.h"
#include "HostError.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sndfile.h>

namespace
{

using TestFiles::WriteFile;

std::string Chunk(const char* id, const std::string& body)
{
    std::string chunk(id, 4);
    for (int b = 0; b < 4; ++b)
        chunk += static_cast<char>((body.size() >> (8 * b)) & 0xFF);
    chunk += body;
    if (body.size() % 2 != 0)
        chunk += '\0';
    return chunk;
}

std::string Le(std::uint32_t value, int bytes)
{
    std::string out;
    for (int b = 0; b < bytes; ++b)
        out += static_cast<char>((value >> (8 * b)) & 0xFF);
    return out;
}

struct Layout
{
    int channels, bytes;
    bool floats, extensible;
};

// A WAV of `frames` random samples (the extremes first) with a chunk of odd
// size before the format, a fact chunk and an odd LIST chunk before the data,
// and one after it.
std::string MakeWave(const Layout& l, int frames, std::string dataSuffix = {})
{
    const int bits = 8 * l.bytes;
    const int code = l.floats ? 3 : 1;
    std::string fmt = Le(l.extensible ? 0xFFFE : static_cast<std::uint32_t>(code), 2) + Le(l.channels, 2) +
                      Le(48000, 4) + Le(48000u * l.channels * l.bytes, 4) + Le(l.channels * l.bytes, 2) + Le(bits, 2);
    if (l.extensible)
        fmt += Le(22, 2) + Le(bits, 2) + Le(3, 4) + Le(code, 2) +
               std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    std::mt19937 random(7);
    std::string data;
    for (int i = 0; i < frames * l.channels; ++i)
    {
        std::uint32_t word = random();
        if (l.floats)
        {
            const float value = static_cast<float>(static_cast<std::int32_t>(word)) / 2147483648.0f;
            std::memcpy(&word, &value, sizeof word);
        }
        else if (i < 2)
        {
            word = i == 0 ? 0x80000000u : 0x7FFFFFFFu;
        }
        data += Le(l.floats ? word : word >> (32 - bits), l.bytes);
    }
    const std::string body = "WAVE" + Chunk("JUNK", "odd") + Chunk("fmt ", fmt) + Chunk("fact", Le(frames, 4)) +
                             Chunk("LIST", "INFOx") + Chunk("data", data + dataSuffix) + Chunk("LIST", "end!");
    return Chunk("RIFF", body);
}

// The file read through libsndfile as the reader's own fallback reads it.
ChannelBuffers ReadWithLibsndfile(const std::string& path, bool floats)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(info.frames), channels = static_cast<std::size_t>(info.channels);
    std::vector<int> ints(frames * channels);
    std::vector<float> values(frames * channels);
    if (floats)
        sf_readf_float(file, values.data(), info.frames);
    else
        sf_readf_int(file, ints.data(), info.frames);
    sf_close(file);
    ChannelBuffers out(channels, std::vector<float>(frames));
    for (std::size_t i = 0; i < frames * channels; ++i)
        out[i % channels][i / channels] = floats ? values[i] : static_cast<float>(ints[i]) * (1.0f / 2147483648.0f);
    return out;
}

// Everything the reader gives, in reads of uneven lengths.
ChannelBuffers ReadAll(AudioReader& reader)
{
    const auto frames = static_cast<std::size_t>(reader.GetAnnouncedFrames());
    ChannelBuffers out(static_cast<std::size_t>(reader.GetChannelCount()), std::vector<float>(frames + 20000));
    ChannelBuffers piece = out;
    std::size_t done = 0;
    for (int length = 1; done < frames; length = length * 7 % 19997 + 3)
    {
        const auto got = static_cast<std::size_t>(reader.Read(piece, length));
        for (std::size_t c = 0; c < out.size(); ++c)
            std::copy_n(piece[c].begin(), got, out[c].begin() + static_cast<std::ptrdiff_t>(done));
        done += got;
        if (got == 0)
            break;
    }
    for (auto& channel : out)
        channel.resize(done);
    return out;
}

class AudioFileTest : public TestFiles::TempDirTest
{
};

TEST_F(AudioFileTest, PlainWavesAreDecodedDirectlyToWhatLibsndfileReads)
{
    const Layout layouts[] = {{2, 3, false, true},  {2, 3, false, false}, {1, 2, false, false},
                              {2, 2, false, true},  {2, 4, false, false}, {1, 4, false, true},
                              {2, 4, true, false},  {1, 4, true, true}};
    for (const Layout& l : layouts)
    {
        SCOPED_TRACE(::testing::Message() << l.channels << " channel(s), " << l.bytes << " bytes"
                                          << (l.floats ? ", floats" : "") << (l.extensible ? ", extensible" : ""));
        const std::string path = (mDir / "in.wav").string();
        WriteFile(path, MakeWave(l, 20011));
        AudioReader reader(path);
        EXPECT_TRUE(reader.ReadsDataDirectly());
        EXPECT_EQ(reader.GetAnnouncedFrames(), 20011);
        EXPECT_EQ(ReadAll(reader), ReadWithLibsndfile(path, l.floats));
        ChannelBuffers after(static_cast<std::size_t>(l.channels), std::vector<float>(16));
        EXPECT_EQ(reader.Read(after, 16), 0) << "nothing after the announced frames";
    }
}

TEST_F(AudioFileTest, OtherLayoutsGoThroughLibsndfileAndAShrunkFileIsReported)
{
    const std::string path = (mDir / "in.wav").string();
    // A data chunk with a stray byte holds no whole number of frames; 8-bit
    // samples are unsigned. Both are libsndfile's to read.
    for (const auto& [layout, suffix] : {std::pair{Layout{2, 3, false, false}, std::string("x")},
                                         std::pair{Layout{1, 1, false, false}, std::string()}})
    {
        WriteFile(path, MakeWave(layout, 999, suffix));
        AudioReader reader(path);
        EXPECT_FALSE(reader.ReadsDataDirectly());
        EXPECT_EQ(ReadAll(reader), ReadWithLibsndfile(path, false));
    }

    WriteFile(path, MakeWave({2, 2, false, false}, 50000));
    AudioReader reader(path);
    ASSERT_TRUE(reader.ReadsDataDirectly());
    ChannelBuffers buffers(2, std::vector<float>(30000));
    EXPECT_EQ(reader.Read(buffers, 30000), 30000);
    std::filesystem::resize_file(path, 100000);
    try
    {
        reader.Read(buffers, 20000);
        ADD_FAILURE() << "a file that shrank while it was read is reported";
    }
    catch (const HostError& error)
    {
        EXPECT_EQ(std::string(error.what()), "cannot read '" + path +
                                                 "': it ends after fewer than 38192 frames, but its header "
                                                 "announces 50000");
    }
}

} // namespace
