#pragma once

#include <cstddef>

// Counts every heap allocation through the C allocator (malloc, calloc, realloc and the aligned
// forms, replaced in MallocCounter.cpp): C libraries such as NLopt allocate there, and operator
// new ends there too.
namespace TSCoreBench
{
    std::size_t MallocCount() noexcept;
}
