#pragma once
// Audio files through libsndfile, streamed in blocks: memory does not grow
// with the length of a file, and a header that claims more frames than the
// file holds costs nothing before it is found out.
//
// Integer encodings of up to 24 bits (and A-law, mu-law) are converted
// exactly both ways (sample / 2^31 of the left-justified integer), so a file
// that passes through the plug-in unchanged is written back bit for bit;
// 32-bit integer and 64-bit float files keep the 24-bit precision of the
// plug-in's floats.
//
// Plain RIFF WAV files of 16-, 24- or 32-bit integers or 32-bit floats are
// read past libsndfile once it has checked them: their data chunk is read
// with pread and decoded here, to the same floats libsndfile's path gives.
// Reading dominates the cost of analysing a long file, and libsndfile copies
// and converts every sample twice. Any other layout, or a header whose data
// chunk does not match what libsndfile found, takes libsndfile's path.
//
// Threads: main thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform
{
class SafeFileWriter;
}

struct SF_INFO;
struct sf_private_tag;

// One float buffer per channel.
using ChannelBuffers = std::vector<std::vector<float>>;

class AudioReader
{
public:
    // Opens path and checks that the plug-in can take it (mono or stereo).
    // Throws HostError with a message naming the file when it cannot.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int GetFormat() const { return mFormat; } // libsndfile's SF_FORMAT_* (major | subtype)
    int GetSampleRate() const { return mSampleRate; }
    int GetChannelCount() const { return mChannelCount; }
    // What the header announces.
    std::int64_t GetAnnouncedFrames() const { return mAnnouncedFrames; }

    // Reads up to `frames` frames into channels (each at least that long);
    // returns the frames read, 0 at the end. Throws HostError on a read error
    // or when the file ends before the frames its header announces.
    std::int64_t Read(ChannelBuffers& channels, std::int64_t frames);

    // Whether the data chunk is read directly (see above).
    bool ReadsDataDirectly() const { return mDirect.descriptor >= 0; }

private:
    // Finds the data chunk of a plain WAV file that libsndfile opened.
    void OpenDataDirectly();
    std::int64_t ReadDirectly(ChannelBuffers& channels, std::int64_t frames);

    struct DirectData
    {
        int descriptor = -1;
        std::int64_t offset = 0; // of the first sample in the file
        int bytesPerSample = 0;
        bool floats = false;
        std::vector<unsigned char> bytes;
    };

    std::string mPath;
    sf_private_tag* mFile = nullptr;
    int mFormat = 0;
    int mSampleRate = 0;
    int mChannelCount = 0;
    std::int64_t mAnnouncedFrames = 0;
    std::int64_t mFramesRead = 0;
    std::vector<int> mInts;
    std::vector<float> mFloats;
    DirectData mDirect;
};

class AudioWriter
{
public:
    // Writes in `format` into the writer's open temporary file; the caller
    // commits it. `path` names the file in messages. Throws HostError.
    AudioWriter(Platform::SafeFileWriter& file, const std::string& path, int format, int sampleRate,
                int channelCount);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void Write(const ChannelBuffers& channels, std::int64_t frames);
    // Completes the file (its header); throws HostError when it cannot.
    void Close();

private:
    std::string mPath;
    sf_private_tag* mFile = nullptr;
    bool mInteger = false;
    std::vector<int> mInts;
    std::vector<float> mFloats;
};

// A text such as "WAV, Signed 16 bit PCM".
std::string DescribeFormat(int format);
