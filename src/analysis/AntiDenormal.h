#pragma once
// Tiny noise added to the analysed audio so that decaying IIR states never
// become denormal. One process-wide 32-bit linear congruential generator
// (state = state * 1234567 + 890123, starting at 1) serves every instance and
// both analysis services.
//
// Threads: any, including the real-time thread; lock-free and race-free (the
// state advances by compare-exchange), never allocates or throws.

#include <cstdint>

// The next value: random sign, magnitude between about 6.78e-21 and 1.35e-20.
float NextAntiDenormal() noexcept;

// The next `count` values of the same sequence, taken from the generator in
// one step however many they are, so a block of audio pays for one atomic
// operation instead of one per sample. Next() hands them out in order; the
// sequence is the one NextAntiDenormal would have given.
class AntiDenormalRun
{
public:
    explicit AntiDenormalRun(std::uint32_t count) noexcept;
    float Next() noexcept;

private:
    std::uint32_t mState = 0;
};

// Restarts the generator from a state (tests only; 1 is the start state).
void ResetAntiDenormal(std::uint32_t state = 1) noexcept;
