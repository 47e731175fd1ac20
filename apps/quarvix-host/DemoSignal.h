#pragma once
// The signal `analyze` shows when it is given no file: eight seconds of
// stereo at 48 kHz that exercise every view. Left: pink noise at -30 dBFS
// RMS under a steady 1 kHz tone at -12 dBFS peak, and a sweep from 40 Hz
// to 16 kHz at -18 dBFS over the middle six seconds. Right: the same pink
// noise's generator with another seed under a 440 Hz tone with two
// harmonics, so the channels can be told apart. The same samples every time.
//
// Threads: any; one generator per thread.

#include <cstdint>
#include <random>
#include <vector>

class DemoSignal
{
public:
    static constexpr int kSampleRate = 48000;
    static constexpr int kChannels = 2;
    static constexpr double kSeconds = 8.0;
    static constexpr std::int64_t kFrames = static_cast<std::int64_t>(kSampleRate * kSeconds);

    DemoSignal();

    // The next `frames` frames (fewer at the end), one vector per channel;
    // returns how many were written.
    std::int64_t Read(std::vector<std::vector<float>>& channels, std::int64_t frames);
    std::int64_t GetPosition() const { return mPosition; }

private:
    // Pink noise by the Voss-McCartney method: sixteen white rows, one of
    // them redrawn each sample (row r every 2^(r+1) samples), summed.
    struct Pink
    {
        explicit Pink(unsigned seed);
        float Next();
        std::minstd_rand random;
        std::uniform_real_distribution<float> uniform{-1.0f, 1.0f};
        float rows[16] = {};
        float sum = 0.0f;
        std::uint32_t counter = 0;
    };

    Pink mLeftNoise;
    Pink mRightNoise;
    std::int64_t mPosition = 0;
    double mSweepPhase = 0.0;
};
