#pragma once
// Counts the heap allocations made while counting is on, by replacing the
// global allocation functions. Include it in exactly one file of a test
// program.

#include <atomic>
#include <cstdlib>
#include <new>

namespace CountingAllocator
{
inline std::atomic<bool> gCounting{false};
inline std::atomic<long> gAllocations{0};

inline void* Allocate(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
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
} // namespace CountingAllocator

// Every form is replaced, so that no block allocated by one family is freed
// by the other (the nothrow forms are what std::stable_sort uses).
void* operator new(std::size_t size) { return CountingAllocator::Allocate(size); }
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
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void* operator new[](std::size_t size) { return CountingAllocator::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
