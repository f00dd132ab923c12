#include "Devices/KeptSegment.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace TSCore::detail
{
    namespace shm = SharedMemory;
    namespace bip = SharedMemory::bip;

    namespace
    {
        using SegmentManager = bip::managed_shared_memory::segment_manager;

        // Where managed_shared_memory puts its segment manager: after the word in which Boost
        // records the segment's initialisation state.
        constexpr std::size_t managerOffset = bip::ipcdetail::shmem_open_or_create<
            bip::managed_shared_memory::memory_algorithm>::type::ManagedOpenOrCreateUserOffset;
        // The state word of a segment whose manager is built (Boost's InitializedSegment). A
        // reader that meets another value must not wait for it, as Boost's own open does: the
        // service may never finish, and a file of zeros would hold the application forever.
        constexpr std::uint32_t initialisedSegment = 2;

        bool Stat(const bip::shared_memory_object& file, struct stat& info) noexcept
        {
            return fstat(file.get_mapping_handle().handle, &info) == 0;
        }

        SegmentManager* ManagerOf(const void* base)
        {
            return reinterpret_cast<SegmentManager*>(static_cast<char*>(const_cast<void*>(base)) + managerOffset);
        }

        // Whether Boost's own structures may be walked: the segment says it is built, and its
        // manager claims no more bytes than are mapped (a truncated file's index points past the
        // end). What the index itself holds cannot be checked without walking it.
        bool Intact(const void* base, std::size_t size) noexcept
        {
            std::uint32_t state = 0;
            std::memcpy(&state, base, sizeof state);
            return state == initialisedSegment && ManagerOf(base)->get_size() <= size - managerOffset;
        }
    }

    KeptSegment::Opened KeptSegment::Open(const char* name) noexcept
    {
        Close();
        try
        {
            bip::shared_memory_object opened(bip::open_only, name, bip::read_only);
            struct stat info
            {
            };
            if (!Stat(opened, info) || info.st_size < static_cast<off_t>(managerOffset + sizeof(SegmentManager)))
                return Opened::Unusable;
            const auto length = static_cast<std::size_t>(info.st_size);
            bip::mapped_region mapped(opened, bip::read_only, 0, length);
            file.swap(opened);
            region.swap(mapped);
            base = region.get_address();
            size = length;
            id = FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
            // Read the segment's own header only once the file is known to be still that large.
            if (Check() == Validity::Gone || !Intact(base, size))
            {
                Close();
                return Opened::Unusable;
            }
            return Opened::Yes;
        }
        catch (const bip::interprocess_exception& e)
        {
            Close();
            return e.get_error_code() == bip::not_found_error ? Opened::Missing : Opened::Unusable;
        }
        catch (...)
        {
            Close();
            return Opened::Unusable;
        }
    }

    void KeptSegment::Close() noexcept
    {
        bip::mapped_region none;
        region.swap(none);
        bip::shared_memory_object closed;
        file.swap(closed);
        base = nullptr;
        size = 0;
        id = FileId();
    }

    KeptSegment::Validity KeptSegment::Check() const noexcept
    {
        struct stat info
        {
        };
        if (base == nullptr || !Stat(file, info) || info.st_nlink == 0 || info.st_size < static_cast<off_t>(size))
            return Validity::Gone;
        return info.st_size == static_cast<off_t>(size) ? Validity::Same : Validity::Grown;
    }

    const shm::ShmString* KeptSegment::Locate(const char* object) const noexcept
    {
        if (base == nullptr || !Intact(base, size))
            return nullptr; // scribbled over since it was opened: nothing in it is found
        try
        {
            // The manager is only read: find_no_lock takes no lock and writes nothing.
            const shm::ShmString* text = ManagerOf(base)->find_no_lock<shm::ShmString>(object).first;
            return text != nullptr && shm::Inside(text, sizeof(shm::ShmString), base, size) ? text : nullptr;
        }
        catch (...)
        {
            return nullptr;
        }
    }

    shm::LookupResult KeptSegment::Read(const shm::ShmString* text, std::string& copy) const noexcept
    {
        if (base == nullptr)
            return shm::LookupResult::NotFound;
        return shm::CopyStable(text, base, size, copy);
    }
}
