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

// Restarts the generator from a state (tests only; 1 is the start state).
void ResetAntiDenormal(std::uint32_t state = 1) noexcept;
