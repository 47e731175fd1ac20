#pragma once
// The host program's commands. Each prints what it did on standard output,
// throws HostError for anything that stops it, and returns the exit status.
//
// Threads: main thread (process starts its own render thread).

#include <cstddef>
#include <optional>
#include <string>

struct DescribeOptions
{
    std::string modulePath;
};

struct ProcessOptions
{
    std::string modulePath;
    std::string input;
    std::string output;
    int blockSize = 1024;
    bool bypass = false;
    bool realtime = false;
    std::optional<std::string> loadSettings;
    std::optional<std::string> saveSettings;
};

// Block sizes the process command accepts.
inline constexpr int kMinBlockSize = 1;
inline constexpr int kMaxBlockSize = 65536;
// Frames read, rendered and written at a time (rounded to whole blocks).
inline constexpr int kStreamFrames = 65536;
// A settings file larger than this is not settings and is refused unread.
inline constexpr std::size_t kMaxSettingsFileBytes = 16u << 20;

int RunDescribe(const DescribeOptions& options);
int RunProcess(const ProcessOptions& options);
