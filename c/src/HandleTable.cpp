#include "HandleTable.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

namespace tscore_c
{
    namespace
    {
        // A handle's value: (slot + 1) above the generation bits, so that no handle is 0.
        constexpr unsigned generationBits = sizeof(std::uintptr_t) >= 8 ? 32 : 12;
        constexpr std::uintptr_t generationMask = (std::uintptr_t{1} << generationBits) - 1;
        constexpr std::size_t chunkSize = 256;
        constexpr std::size_t maxChunks = sizeof(std::uintptr_t) >= 8 ? 4096 : 16;

        struct Slot
        {
            std::atomic<std::uintptr_t> generation{1};
            std::atomic<std::uint8_t> kind{0};
            std::atomic<void*> object{nullptr};
            HandleTable::Deleter deleter = nullptr;
        };

        // Chunks are allocated once and never freed or moved, so a lookup may read them
        // without the lock while another thread adds a chunk.
        std::atomic<Slot*> chunks[maxChunks];
        std::mutex mutex;
        std::size_t slotsUsed = 0;

        // Never destroyed: a garbage collector may still destroy handles while the process exits.
        std::vector<std::size_t>& FreeSlots()
        {
            static auto* slots = new std::vector<std::size_t>();
            return *slots;
        }

        Slot* SlotAt(std::size_t index) noexcept
        {
            if (index >= chunkSize * maxChunks)
                return nullptr;
            Slot* chunk = chunks[index / chunkSize].load(std::memory_order_acquire);
            return chunk != nullptr ? &chunk[index % chunkSize] : nullptr;
        }

        // A new slot under the lock: a freed one first, else the next unused one.
        Slot* TakeSlot(std::size_t& index)
        {
            std::vector<std::size_t>& free = FreeSlots();
            if (!free.empty())
            {
                index = free.back();
                free.pop_back();
                return SlotAt(index);
            }
            if (slotsUsed >= chunkSize * maxChunks)
                return nullptr;
            index = slotsUsed;
            std::atomic<Slot*>& chunk = chunks[index / chunkSize];
            if (chunk.load(std::memory_order_relaxed) == nullptr)
                chunk.store(new Slot[chunkSize], std::memory_order_release);
            ++slotsUsed;
            return SlotAt(index);
        }
    }

    void* HandleTable::Add(Kind kind, void* object, Deleter deleter) noexcept
    {
        try
        {
            std::lock_guard<std::mutex> lock(mutex);
            // Room for every slot in the free list, so that Remove never fails to record one.
            std::vector<std::size_t>& free = FreeSlots();
            if (free.capacity() < slotsUsed + 1)
                free.reserve(2 * slotsUsed + 16);
            std::size_t index = 0;
            Slot* slot = TakeSlot(index);
            if (slot == nullptr)
                return nullptr;
            slot->deleter = deleter;
            slot->kind.store(static_cast<std::uint8_t>(kind), std::memory_order_relaxed);
            slot->object.store(object, std::memory_order_release);
            const std::uintptr_t generation = slot->generation.load(std::memory_order_relaxed);
            return reinterpret_cast<void*>(((index + 1) << generationBits) | generation);
        }
        catch (...)
        {
            return nullptr;
        }
    }

    void* HandleTable::Find(const void* handle, Kind kind) noexcept
    {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        if ((value >> generationBits) == 0)
            return nullptr;
        Slot* slot = SlotAt((value >> generationBits) - 1);
        if (slot == nullptr || slot->generation.load(std::memory_order_acquire) != (value & generationMask) ||
            slot->kind.load(std::memory_order_relaxed) != static_cast<std::uint8_t>(kind))
            return nullptr;
        return slot->object.load(std::memory_order_acquire);
    }

    bool HandleTable::Remove(const void* handle, Kind kind) noexcept
    {
        void* object = nullptr;
        Deleter deleter = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const auto value = reinterpret_cast<std::uintptr_t>(handle);
            const std::size_t index = (value >> generationBits) - 1;
            Slot* slot = Find(handle, kind) != nullptr ? SlotAt(index) : nullptr;
            if (slot == nullptr)
                return false;
            // A new generation first: from here on the old handle is refused.
            const std::uintptr_t next = (slot->generation.load(std::memory_order_relaxed) + 1) & generationMask;
            slot->generation.store(next == 0 ? 1 : next, std::memory_order_release);
            object = slot->object.exchange(nullptr, std::memory_order_acq_rel);
            deleter = slot->deleter;
            slot->kind.store(0, std::memory_order_relaxed);
            FreeSlots().push_back(index); // capacity reserved by Add
        }
        deleter(object);
        return true;
    }
}
