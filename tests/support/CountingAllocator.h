#pragma once
// Replaces the global allocation functions for the suites that watch the
// heap: it counts the allocations made while counting is on, follows the bytes
// in use, and can run a hook before the next large allocation. Each block is
// charged as the C library's allocator lays it out (the request plus its
// header, in 16-byte steps, at least 32 bytes), so that a structure of many
// small blocks pays what it really costs. Include it in exactly one file of a
// test program.

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace CountingAllocator
{
inline std::atomic<bool> gCounting{false};
inline std::atomic<long> gAllocations{0};
inline std::atomic<long long> gBytesInUse{0};
inline std::atomic<long long> gPeakBytesInUse{0};
inline std::atomic<std::size_t> gHookSize{0};
inline std::function<void()> gHook;
inline constexpr std::size_t kHeader = alignof(std::max_align_t);

inline long long ChargedBytes(std::size_t size) noexcept
{
    const std::size_t chunk = (size + sizeof(std::size_t) + 15) & ~std::size_t{15};
    return static_cast<long long>(chunk < 32 ? 32 : chunk);
}

inline void* Allocate(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t armed = gHookSize.load(std::memory_order_relaxed);
    if (armed != 0 && size >= armed && gHookSize.exchange(0) != 0)
        gHook();
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        throw std::bad_alloc();
    std::memcpy(block, &size, sizeof size);
    const long long now = gBytesInUse.fetch_add(ChargedBytes(size), std::memory_order_relaxed) + ChargedBytes(size);
    long long peak = gPeakBytesInUse.load(std::memory_order_relaxed);
    while (now > peak && !gPeakBytesInUse.compare_exchange_weak(peak, now, std::memory_order_relaxed))
    {
    }
    return block + kHeader;
}

inline void Free(void* pointer) noexcept
{
    if (pointer == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    gBytesInUse.fetch_sub(ChargedBytes(size), std::memory_order_relaxed);
    std::free(block);
}

// Counts the allocations made by `work`.
template <class Work>
long Count(Work&& work)
{
    gAllocations = 0;
    gCounting = true;
    work();
    gCounting = false;
    return gAllocations.load();
}

// The next allocation of at least minimumSize bytes first runs `hook` on its thread.
inline void ArmHook(std::size_t minimumSize, std::function<void()> hook)
{
    gHook = std::move(hook);
    gHookSize = minimumSize;
}

struct MemoryUse
{
    long long peak = 0;     // the most in use at once above the start
    long long retained = 0; // still in use when `work` calls its argument
};

template <class Work>
MemoryUse MeasureMemory(Work&& work)
{
    const long long start = gBytesInUse.load();
    gPeakBytesInUse = start;
    MemoryUse use;
    work([&] { use.retained = gBytesInUse.load() - start; });
    use.peak = gPeakBytesInUse.load() - start;
    return use;
}
} // namespace CountingAllocator

// Every form is replaced, so that no block allocated by one family is freed
// by the other (the nothrow forms are what std::stable_sort uses).
void* operator new(std::size_t size) { return CountingAllocator::Allocate(size); }
void* operator new[](std::size_t size) { return CountingAllocator::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return CountingAllocator::Allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { CountingAllocator::Free(p); }
void operator delete[](void* p) noexcept { CountingAllocator::Free(p); }
void operator delete(void* p, std::size_t) noexcept { CountingAllocator::Free(p); }
void operator delete[](void* p, std::size_t) noexcept { CountingAllocator::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountingAllocator::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountingAllocator::Free(p); }
