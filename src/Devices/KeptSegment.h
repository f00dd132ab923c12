#pragma once

// One segment of the connection service kept open and mapped read-only from call to call: the
// service reader's view of "Devices" or "Data". The service may remove, replace, shrink, grow or
// scribble over the file at any time, so the mapping is only read after the validity check
// (one fstat of the kept descriptor) has found the file still linked and still the size that
// was mapped, and every object is checked to lie inside the mapping before it is copied.

#include <cstddef>
#include <cstdint>
#include <string>

#include "Devices/SharedMemory.h"

namespace TSCore::detail
{
    class KeptSegment
    {
    public:
        enum class Opened
        {
            Yes,
            Missing,  ///< no segment of that name: the service is not running
            Unusable, ///< there, but too small, not (yet) initialised, or it cannot be mapped
        };

        enum class Validity
        {
            Same,  ///< still linked, the size mapped: read it
            Grown, ///< still linked and larger: safe to read, but map it anew to see all of it
            Gone,  ///< removed, replaced, shrunk or not open: do not read it
        };

        /// Which file is open: a service that created its segments anew has other ones.
        struct FileId
        {
            std::uint64_t device = 0;
            std::uint64_t inode = 0;
            bool operator==(const FileId& other) const { return device == other.device && inode == other.inode; }
            bool operator!=(const FileId& other) const { return !(*this == other); }
        };

        /// Opens the segment read-only and maps the whole of it (any earlier mapping is closed).
        Opened Open(const char* name) noexcept;
        void Close() noexcept;
        bool IsOpen() const noexcept { return base != nullptr; }
        /// The open file; all zero when none is open.
        FileId Id() const noexcept { return id; }

        /// The validity check: one fstat of the kept descriptor.
        Validity Check() const noexcept;

        /// The named string in the mapping, found through Boost's name index (no lock taken);
        /// null when it is not there, does not lie inside the mapping, or the segment's header no
        /// longer says it is built and fits the mapping. Only after a Check that did not answer
        /// Gone; valid until Close.
        const SharedMemory::ShmString* Locate(const char* object) const noexcept;

        /// CopyStable of a located string. Only after a Check that did not answer Gone.
        SharedMemory::LookupResult Read(const SharedMemory::ShmString* text, std::string& copy) const noexcept;

    private:
        SharedMemory::bip::shared_memory_object file;
        SharedMemory::bip::mapped_region region;
        const void* base = nullptr;
        std::size_t size = 0;
        FileId id;
    };
}
