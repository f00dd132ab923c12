#include "Devices/SharedMemory.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>

namespace TSCore::detail::SharedMemory
{
    bool Inside(const void* begin, std::size_t length, const void* base, std::size_t size) noexcept
    {
        // Without pointer arithmetic that could overflow.
        const auto b = reinterpret_cast<std::uintptr_t>(begin);
        const auto lo = reinterpret_cast<std::uintptr_t>(base);
        if (b < lo)
            return false;
        const std::uintptr_t offset = b - lo;
        return offset <= size && length <= size - offset;
    }

    bool ReadOnlySegment::Open(const char* name, std::string& error) noexcept
    {
        try
        {
            segment.emplace(bip::open_read_only, name);
            return true;
        }
        catch (const std::exception& e)
        {
            error = e.what();
        }
        catch (...)
        {
            error = "Unknown exception";
        }
        segment.reset();
        return false;
    }

    namespace
    {
        // The string's current characters up to its first NUL, or false when they do not lie
        // inside the mapping. The compiler barriers keep two reads from being merged into one.
        bool Current(const ShmString* text, const void* base, std::size_t size, const char*& chars,
                     std::size_t& length) noexcept
        {
            std::atomic_signal_fence(std::memory_order_seq_cst);
            chars = text->data();
            length = text->size();
            std::atomic_signal_fence(std::memory_order_seq_cst);
            if (!Inside(chars, length, base, size))
                return false;
            if (const void* nul = std::memchr(chars, '\0', length))
                length = static_cast<std::size_t>(static_cast<const char*>(nul) - chars);
            return true;
        }
    }

    LookupResult CopyStable(const ShmString* text, const void* base, std::size_t size, std::string& copy) noexcept
    {
        if (text == nullptr || !Inside(text, sizeof(ShmString), base, size))
            return LookupResult::NotFound;
        try
        {
            for (int attempt = 0; attempt < maxReadAttempts; ++attempt)
            {
                const char* chars = nullptr;
                std::size_t length = 0;
                if (!Current(text, base, size, chars, length))
                    continue; // mid-rewrite the length may briefly not match the buffer
                copy.assign(chars, length);
                if (!Current(text, base, size, chars, length))
                    continue;
                std::atomic_signal_fence(std::memory_order_seq_cst);
                if (length == copy.size() && std::memcmp(chars, copy.data(), length) == 0)
                    return LookupResult::Found;
            }
            return LookupResult::Unstable;
        }
        catch (...)
        {
            return LookupResult::NotFound; // no memory for the copy: as unreadable
        }
    }

    LookupResult ReadOnlySegment::Read(const std::string& object, std::string& out) const noexcept
    {
        if (!segment || object.empty())
            return LookupResult::NotFound;
        try
        {
            // find_no_lock reads the name index without taking the segment's mutex, which a
            // read-only mapping could not take anyway.
            auto* mutableSegment = const_cast<bip::managed_shared_memory*>(&*segment);
            const ShmString* text = mutableSegment->find_no_lock<ShmString>(object.c_str()).first;
            // The copy goes to a buffer of this thread that keeps its capacity, and out takes it
            // only once it is confirmed: a frame costs no allocation once the buffers have grown
            // to the text's size.
            thread_local std::string copy;
            const LookupResult result = CopyStable(text, segment->get_address(), segment->get_size(), copy);
            if (result == LookupResult::Found)
                out.assign(copy);
            return result;
        }
        catch (...)
        {
            return LookupResult::NotFound;
        }
    }

    bool Write(const char* segmentName, const std::string& object, const std::string& value, std::size_t size,
               std::string& error) noexcept
    {
        try
        {
            const std::size_t nul = value.find('\0');
            const std::size_t length = nul == std::string::npos ? value.size() : nul;

            bip::managed_shared_memory segment(bip::open_or_create, segmentName, size);
            // Made and filled under the segment's mutex: a service that reads under it (as it
            // takes a command) never sees the entry empty or half-written.
            auto fill = [&]
            {
                ShmString* text = segment.find_or_construct<ShmString>(object.c_str())(segment.get_segment_manager());
                text->assign(value.data(), length);
            };
            segment.atomic_func(fill);
            return true;
        }
        catch (const std::exception& e)
        {
            error = e.what();
        }
        catch (...)
        {
            error = "Unknown exception";
        }
        return false;
    }
}
