#include "MallocCounter.h"

#include <atomic>
#include <cerrno>

// glibc lets a program replace its allocator; these forward to glibc's own and count.
extern "C"
{
    void* __libc_malloc(std::size_t size);
    void* __libc_calloc(std::size_t count, std::size_t size);
    void* __libc_realloc(void* p, std::size_t size);
    void* __libc_memalign(std::size_t alignment, std::size_t size);
    void __libc_free(void* p);
}

namespace
{
    std::atomic<std::size_t> mallocs{0};

    void Count() noexcept { mallocs.fetch_add(1, std::memory_order_relaxed); }
}

namespace TSCoreBench
{
    std::size_t MallocCount() noexcept { return mallocs.load(std::memory_order_relaxed); }
}

extern "C"
{
    void* malloc(std::size_t size) noexcept
    {
        Count();
        return __libc_malloc(size);
    }

    void* calloc(std::size_t count, std::size_t size) noexcept
    {
        Count();
        return __libc_calloc(count, size);
    }

    void* realloc(void* p, std::size_t size) noexcept
    {
        Count();
        return __libc_realloc(p, size);
    }

    void* memalign(std::size_t alignment, std::size_t size) noexcept
    {
        Count();
        return __libc_memalign(alignment, size);
    }

    void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
    {
        Count();
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
    {
        Count();
        void* p = __libc_memalign(alignment, size);
        if (p == nullptr)
            return ENOMEM;
        *out = p;
        return 0;
    }

    void free(void* p) noexcept { __libc_free(p); }
}
