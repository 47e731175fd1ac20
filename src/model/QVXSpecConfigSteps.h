#pragma once
// The values the analyzer panel's step buttons walk through for the time
// settings of a view: a step up goes to the next value of the setting's list
// above the current one, a step down to the next one below, and the ends
// stay where they are. A current value between two list values (from a
// settings file, say) steps to the neighbour in the step's direction, so
// every step moves and every value reached is a list value.
//
// The peak-hold time's list starts with -1, the infinite hold.
//
// Threads: any (pure functions).

#include <cstdint>

namespace QVXSpecConfigSteps
{

enum class Setting : std::uint8_t
{
    PeakHoldTime,           // s; -1 holds forever
    PeakDecay,              // s per 60 dB
    InstantaneousDecayTime, // s per 60 dB
    AveragingTime,          // s
};

// direction > 0 up, < 0 down, 0 the value itself.
float Step(Setting setting, float value, std::int32_t direction) noexcept;

} // namespace QVXSpecConfigSteps
