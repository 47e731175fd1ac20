#pragma once
// Small value types shared by the plug-in core and the host adaptation.

#include <cstdint>

// Input and output channel counts of an instance: (1, 1) mono, (2, 2) stereo.
struct ChannelConfig
{
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    friend bool operator==(const ChannelConfig&, const ChannelConfig&) = default;
};

// Where the plug-in is in a bypass transition. The block in which bypass is
// switched on still analyses (EnteringBypass); so does the first block after
// it is switched off (LeavingBypass).
enum class BypassState : std::uint8_t
{
    Active,
    Bypassed,
    EnteringBypass,
    LeavingBypass,
};

constexpr BypassState NextBypassState(BypassState state, bool bypass) noexcept
{
    switch (state)
    {
    case BypassState::Active:
        return bypass ? BypassState::EnteringBypass : BypassState::Active;
    case BypassState::Bypassed:
    case BypassState::EnteringBypass:
        return bypass ? BypassState::Bypassed : BypassState::LeavingBypass;
    case BypassState::LeavingBypass:
        return bypass ? BypassState::EnteringBypass : BypassState::Active;
    }
    return BypassState::Active;
}
