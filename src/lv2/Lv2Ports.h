#pragma once
// The LV2 ports of an instance, in index order: its audio inputs, its audio
// outputs, then one control input per host control of the library (the
// master bypass as the port designated lv2:enabled, then the parameters).
// The binary connects ports by this list and the turtle generator writes
// the same list into quarvix.ttl, so the two cannot disagree on an index.
//
// Threads: main thread (it asks the instance about its controls).

#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class Lv2PortRole
{
    AudioInput,
    AudioOutput,
    // The master bypass with LV2's meaning turned round: 1 processes, 0 bypasses.
    Enabled,
    // A host control of the library, value for value.
    Control,
};

struct Lv2PortInfo
{
    Lv2PortRole role = Lv2PortRole::AudioInput;
    std::int32_t channel = -1;     // audio ports
    std::int32_t controlIndex = 0; // control ports: the instance's control (from 1)
    std::string symbol;
    std::string name;
    float minimum = 0.0f;
    float maximum = 1.0f;
    float defaultValue = 0.0f;
    bool toggled = false;
    bool integer = false;
    // A press rather than a state: each value other than the default counts
    // once, and the port is put back to its default after the run.
    bool trigger = false;
    std::vector<std::pair<float, std::string>> scalePoints;

    bool IsAudio() const
    {
        return role == Lv2PortRole::AudioInput || role == Lv2PortRole::AudioOutput;
    }
};

std::vector<Lv2PortInfo> DescribeLv2Ports(const HostLib::EffectInstance& instance);

// "Master Bypass" -> "master_bypass": lower case letters, digits and
// underscores, never starting with a digit.
std::string Lv2Symbol(const std::string& name);
