#pragma once
// The module's entry points, called by the host with C linkage; they are the
// only symbols the module exports. How a host uses them, and what it gets,
// is described in hostlib/EffectEngine.h.
//
// Threads: the host's main thread.

#include "hostlib/EffectEngine.h"

#include <cstdint>

#define QUARVIX_EXPORT extern "C" __attribute__((visibility("default")))

// Status code of NewPlugIn when the plug-in group cannot be allocated.
inline constexpr std::uint16_t kPlugInGroupUnavailable = HostLib::kGroupErrNoMemory;
// The only argument WinPlugInOpen accepts.
inline constexpr std::int32_t kWinPlugInOpenKey = 73;

// Creates the plug-in group of the calling host (once per host; later calls
// with the same host reuse it) and returns its initialisation status (0:
// ready). hostContext: an EffectHostContext or null; on success its `engine`
// is that group's engine, and its `host` receives the message boxes of the
// instances made through it, never those of another host's.
QUARVIX_EXPORT std::uint16_t NewPlugIn(void* hostContext);
// 0 for the argument 73, -1 for anything else.
QUARVIX_EXPORT std::int32_t WinPlugInOpen(std::int32_t argument);
// Destroys the plug-in groups, with every instance left, when the last open
// is closed.
QUARVIX_EXPORT void WinPlugInClose();
