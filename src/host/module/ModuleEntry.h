#pragma once
// The module's entry points, called by the host with C linkage.
//
// Threads: the host's main thread.

#include <cstdint>

#define QUARVIX_EXPORT extern "C" __attribute__((visibility("default")))

// Status code of NewPlugIn when the plug-in group cannot be made.
inline constexpr std::uint16_t kPlugInGroupUnavailable = 0xE4A5;
// The only argument WinPlugInOpen accepts.
inline constexpr std::int32_t kWinPlugInOpenKey = 73;

// Creates the plug-in group and returns its initialisation status (0: ready).
QUARVIX_EXPORT std::uint16_t NewPlugIn(void* hostContext);
// 0 for the argument 73, -1 for anything else.
QUARVIX_EXPORT std::int32_t WinPlugInOpen(std::int32_t argument);
// Destroys the plug-in group when the last open is closed.
QUARVIX_EXPORT void WinPlugInClose();
