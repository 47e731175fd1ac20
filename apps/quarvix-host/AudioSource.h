#pragma once
// Where the audio of analyze and show comes from: a file, or the demo signal
// when the user names none.
//
// Threads: main thread.

#include "AudioFile.h"
#include "DemoSignal.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class AudioSource
{
public:
    // Throws HostError when the file cannot be read or has too many channels.
    explicit AudioSource(const std::optional<std::string>& path) : mPath(path)
    {
        if (path)
            mFile = std::make_unique<AudioReader>(*path);
        else
            mDemo = std::make_unique<DemoSignal>();
    }
    int GetSampleRate() const { return mFile ? mFile->GetSampleRate() : DemoSignal::kSampleRate; }
    int GetChannelCount() const { return mFile ? mFile->GetChannelCount() : DemoSignal::kChannels; }
    // Frames the source says it holds (a file may end early).
    std::int64_t GetFrames() const { return mFile ? mFile->GetAnnouncedFrames() : DemoSignal::kFrames; }
    // Up to `frames` frames into channels (each at least that long); 0 at the end.
    std::int64_t Read(ChannelBuffers& channels, std::int64_t frames)
    {
        return mFile ? mFile->Read(channels, frames) : mDemo->Read(channels, frames);
    }
    // The file's name, or "the demo signal".
    std::string Describe() const { return mPath ? *mPath : std::string("the demo signal"); }

private:
    std::optional<std::string> mPath;
    std::unique_ptr<AudioReader> mFile;
    std::unique_ptr<DemoSignal> mDemo;
};
