#include "serialization/Serializable.h"

#include <atomic>

namespace Serialization
{

namespace
{
std::atomic<std::uint64_t> gObjectIdCounter{0};
}

std::uint64_t NextObjectId() noexcept
{
    return gObjectIdCounter.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint64_t LastObjectId() noexcept
{
    return gObjectIdCounter.load(std::memory_order_relaxed);
}

} // namespace Serialization
