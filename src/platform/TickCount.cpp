#include "platform/TickCount.h"

#include <atomic>
#include <chrono>

namespace Platform
{
namespace
{

std::uint32_t SteadyClockMilliseconds()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

std::atomic<TickCountSource> gSource{&SteadyClockMilliseconds};

} // namespace

std::uint32_t GetTickCount() noexcept
{
    return gSource.load(std::memory_order_acquire)();
}

TickCountSource SetTickCountSource(TickCountSource source) noexcept
{
    return gSource.exchange(source ? source : &SteadyClockMilliseconds, std::memory_order_acq_rel);
}

} // namespace Platform
