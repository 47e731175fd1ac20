#pragma once
// The system millisecond counter that the UI timers and the display ballistics
// run on. It is 32 bits wide and wraps after about 49.7 days, like the counter it
// stands in for, so wrap handling is exercised in every build.
//
// The source can be replaced (tests and the host program's simulated time);
// replacing it is done on the UI thread before timers run. Reading it is
// real-time safe.

#include <cstdint>

namespace Platform
{

using TickCountSource = std::uint32_t (*)();

// Milliseconds since an arbitrary origin, wrapping modulo 2^32.
std::uint32_t GetTickCount() noexcept;

// Installs another source; nullptr restores the monotonic system clock.
// Returns the source that was installed before.
TickCountSource SetTickCountSource(TickCountSource source) noexcept;

} // namespace Platform
