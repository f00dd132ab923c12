#pragma once

// Opaque handles as slot numbers with a generation, never as raw pointers: a handle that was
// destroyed (or never made) is recognised on lookup and refused, instead of being read as
// freed memory. Lookups take no lock, so the frame-rate calls pay a few loads; adding and
// removing take one, since a garbage collector may destroy handles on its own thread.

#include <cstdint>

namespace tscore_c
{
    enum class Kind : std::uint8_t
    {
        Device = 1,
        Profile = 2,
        Pose = 3,
        Reader = 4,
    };

    class HandleTable
    {
    public:
        using Deleter = void (*)(void*);

        /// Takes ownership of object; the handle, or nullptr when the table is full.
        static void* Add(Kind kind, void* object, Deleter deleter) noexcept;
        /// The object of a live handle of that kind, or nullptr.
        static void* Find(const void* handle, Kind kind) noexcept;
        /// Ends the handle and deletes its object; false when it was not a live handle of that kind.
        static bool Remove(const void* handle, Kind kind) noexcept;
    };
}
