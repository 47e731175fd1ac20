#pragma once
// Audio files through libsndfile, read whole into one float buffer per
// channel and written back in the same format.
//
// Integer encodings of up to 24 bits (and A-law, mu-law) are converted
// exactly both ways (sample / 2^31 of the left-justified integer), so a file
// that passes through the plug-in unchanged is written back bit for bit;
// 32-bit integer and 64-bit float files keep the 24-bit precision of the
// plug-in's floats.
//
// Threads: main thread.

#include <cstdint>
#include <string>
#include <vector>

struct AudioFile
{
    int format = 0; // libsndfile's SF_FORMAT_* (major | subtype)
    int sampleRate = 0;
    int channelCount = 0;
    std::int64_t frames = 0;
    std::vector<std::vector<float>> channels;
};

// Throws HostError with a message naming the file when it cannot be read.
AudioFile ReadAudioFile(const std::string& path);

// A text such as "WAV, 16-bit PCM".
std::string DescribeFormat(int format);

class OutputFile;

// Writes channels (all of `frames` length) in `format` into the output's
// temporary file; the caller commits it. Throws HostError when it cannot.
void WriteAudioFile(OutputFile& output, int format, int sampleRate,
                    const std::vector<std::vector<float>>& channels, std::int64_t frames);
