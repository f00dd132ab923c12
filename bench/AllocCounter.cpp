#include "AllocCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
    std::atomic<std::size_t> allocations{0};
}

namespace TSCoreBench
{
    std::size_t AllocationCount() noexcept { return allocations.load(std::memory_order_relaxed); }
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0)
        size = 1;
    if (void* p = std::malloc(size))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
