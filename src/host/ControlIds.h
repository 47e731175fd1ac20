#pragma once
// Ids of the host controls that stand for the plug-in's parameters: "ct"
// followed by two lower-case letters counting the parameter index in base 26,
// so index 0 is 'ctaa', 1 'ctab', 26 'ctba' and 27 'ctbb'. The packed value
// follows the host library's byte order for four-character codes.
//
// Threads: any; pure functions.

#include "base/FourCC.h"
#include "hostlib/EffectEngine.h"

#include <cstdint>

// Parameter indices that have a control id: 0 to 675.
inline constexpr std::int32_t kControlIdIndexCount = 26 * 26;

// 0 for an index outside 0..675.
FourCharCode ControlIdForIndex(std::int32_t index,
                               bool bigEndian = HostLib::kFourCharCodesBigEndian) noexcept;
// The parameter index of a control id; -1 for an id not made by ControlIdForIndex.
std::int32_t IndexForControlId(FourCharCode id,
                               bool bigEndian = HostLib::kFourCharCodesBigEndian) noexcept;
