#pragma once

#include <cstddef>

// Counts heap allocations made through the global operator new (replaced in AllocCounter.cpp).
namespace TSCoreBench
{
    std::size_t AllocationCount() noexcept;
}
