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

// What analyze is asked; unset options keep the plug-in's (or the loaded
// settings') values. Indices as the analyzer numbers them.
struct AnalyzeOptions
{
    std::string modulePath;
    std::optional<std::string> input; // none: the demo signal
    std::optional<std::string> exportPath;
    std::optional<std::string> snapshotPath;
    std::optional<double> at; // s
    int blockSize = 1024;
    bool realtime = false;
    bool quiet = false;
    std::optional<std::string> loadSettings;
    std::optional<int> view;        // 0 FFT, 1 spectrogram, 2 third-octave bars
    std::optional<int> fftSize;     // 512 ... 8192
    std::optional<int> window;      // 0 boxcar, 1 Hann, 2 Blackman-Harris, 3 flat top
    std::optional<int> weighting;   // 0 none, 1 A, 2 B, 3 C
    std::optional<int> channelMode; // 0 left, 1 right, 2 both, 3 mix
    std::optional<bool> logScale;
    std::optional<int> range;       // 0: 60 dB, 1: 100 dB, 2: 140 dB
    std::optional<double> averagingTime; // s
    std::optional<double> peakHoldTime;  // s, -1 holds forever
};

// What show is asked.
struct ShowOptions
{
    std::string modulePath;
    std::optional<std::string> input; // none: the demo signal
    bool play = false;
    std::string device = "default"; // ALSA's name of the output device
    int blockSize = 1024;
    std::optional<std::string> loadSettings;
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
int RunAnalyze(const AnalyzeOptions& options);
int RunShow(const ShowOptions& options);
