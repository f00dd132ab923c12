#pragma once

// The shared-memory contract with the connection service, and the only code that includes
// Boost.Interprocess. Names are constants here so that both sides of the contract read alike.
//
// The service is another process: nothing it writes is trusted. Every string is checked to
// lie inside the mapping before it is copied, and every Boost error is turned into a result.

#include <cstddef>
#include <optional>
#include <string>

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/mapped_region.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

namespace TSCore::detail::SharedMemory
{
    namespace bip = boost::interprocess;

    inline constexpr char devicesSegment[] = "Devices";
    inline constexpr char dataSegment[] = "Data";
    inline constexpr char hapticsSegment[] = "Haptics";
    inline constexpr char deviceCountObject[] = "nDevices";
    inline constexpr char timeStampObject[] = "scanActive";
    inline constexpr char deviceObjectPrefix[] = "device";

    /// The stored object type: a string whose characters live in the segment.
    using ShmAllocator = bip::allocator<char, bip::managed_shared_memory::segment_manager>;
    using ShmString = bip::basic_string<char, std::char_traits<char>, ShmAllocator>;

    enum class LookupResult
    {
        Found,
        NotFound, ///< the segment is there, the object is not (or lies outside the mapping)
        Unstable, ///< the object kept changing while it was copied (the service rewriting it)
    };

    /// True when [begin, begin + length) lies inside [base, base + size).
    bool Inside(const void* begin, std::size_t length, const void* base, std::size_t size) noexcept;

    /// Copies the string up to its first NUL into copy, when its header and characters lie
    /// inside [base, base + size). The service writes without a lock the reader could take, so
    /// a copy can mix two writes: it is accepted only when a second read, made right after it,
    /// agrees; after maxReadAttempts disagreeing attempts the read is Unstable. copy holds the
    /// text only when the result is Found. Allocation-free once copy has the capacity.
    LookupResult CopyStable(const ShmString* text, const void* base, std::size_t size, std::string& copy) noexcept;

    inline constexpr int maxReadAttempts = 8;

    /// One read-only mapping of a segment, for one call's worth of lookups; unmapped when it
    /// goes out of scope. Reads take no lock.
    class ReadOnlySegment
    {
    public:
        /// Maps the segment; false with the layer's message when it cannot (typically: the
        /// service is not running, so the segment does not exist).
        bool Open(const char* name, std::string& error) noexcept;

        /// Copies the named string (CopyStable) into out; out is untouched unless Found.
        LookupResult Read(const std::string& object, std::string& out) const noexcept;

    private:
        std::optional<bip::managed_shared_memory> segment;
    };

    /// Opens or creates the segment with size bytes, finds or constructs the named string,
    /// and replaces its contents by value up to its first NUL. False with the layer's message
    /// on failure.
    bool Write(const char* segment, const std::string& object, const std::string& value, std::size_t size,
               std::string& error) noexcept;
}
