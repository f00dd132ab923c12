#include "Segments.h"

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

namespace TessLinkSim
{
    namespace bip = boost::interprocess;

    namespace
    {
        using CharAllocator = bip::allocator<char, bip::managed_shared_memory::segment_manager>;
        using ShmString = bip::basic_string<char, std::char_traits<char>, CharAllocator>;

        std::size_t TextLength(const std::string& text)
        {
            // Nothing past a NUL would be read by the other side.
            const std::size_t nul = text.find('\0');
            return nul == std::string::npos ? text.size() : nul;
        }

        struct Segment
        {
            std::optional<bip::managed_shared_memory> memory;
            // Objects are never destroyed while we own the segment, so their addresses stay valid.
            std::map<std::string, ShmString*> objects;

            bool Write(const std::string& name, const std::string& text)
            {
                try
                {
                    ShmString*& object = objects[name];
                    if (object == nullptr)
                    {
                        object = memory->find_or_construct<ShmString>(name.c_str())(memory->get_segment_manager());
                        object->reserve(Segments::reservedCapacity);
                    }
                    const std::size_t length = TextLength(text);
                    if (length > object->capacity())
                        object->reserve(std::max(length, 2 * object->capacity()));
                    object->assign(text.data(), text.data() + length);
                    return true;
                }
                catch (const std::exception&)
                {
                    // A failed construction leaves no object behind; drop the null entry.
                    auto it = objects.find(name);
                    if (it != objects.end() && it->second == nullptr)
                        objects.erase(it);
                    return false;
                }
            }
        };

        struct HapticsCollector
        {
            bip::managed_shared_memory* memory;
            std::vector<std::pair<std::string, std::string>>* out;

            void operator()()
            {
                const std::size_t segmentSize = memory->get_size();
                for (auto it = memory->named_begin(); it != memory->named_end(); ++it)
                {
                    const auto* text = static_cast<const ShmString*>(it->value());
                    std::string name(it->name(), it->name_length());
                    // The writer is another process: check the buffer lies in the segment.
                    const std::size_t size = text->size();
                    const char* data = text->data();
                    if (size > segmentSize || !memory->belongs_to_segment(data) ||
                        (size > 0 && !memory->belongs_to_segment(data + size - 1)))
                        continue;
                    std::string value(data, size);
                    value.resize(TextLength(value));
                    out->emplace_back(std::move(name), std::move(value));
                }
            }
        };
    }

    struct Segments::Impl
    {
        Segment devices;
        Segment data;
    };

    Segments::Segments() : impl(std::make_unique<Impl>()) {}

    Segments::~Segments() = default;

    void Segments::RemoveAll()
    {
        bip::shared_memory_object::remove(devicesSegment);
        bip::shared_memory_object::remove(dataSegment);
        bip::shared_memory_object::remove(hapticsSegment);
    }

    void Segments::Create(std::size_t size)
    {
        RemoveAll();
        const char* current = devicesSegment;
        try
        {
            impl->devices.memory.emplace(bip::create_only, devicesSegment, size);
            current = dataSegment;
            impl->data.memory.emplace(bip::create_only, dataSegment, size);
            current = hapticsSegment;
            bip::managed_shared_memory haptics(bip::create_only, hapticsSegment, hapticsSize);
        }
        catch (const std::exception& e)
        {
            impl->devices.memory.reset();
            impl->data.memory.reset();
            RemoveAll();
            throw std::runtime_error(std::string("cannot create segment \"") + current + "\": " + e.what());
        }
    }

    bool Segments::WriteDevices(const std::string& name, const std::string& text)
    {
        return impl->devices.memory && impl->devices.Write(name, text);
    }

    bool Segments::WriteData(const std::string& name, const std::string& text)
    {
        return impl->data.memory && impl->data.Write(name, text);
    }

    bool Segments::ReadHaptics(std::vector<std::pair<std::string, std::string>>& out)
    {
        out.clear();
        try
        {
            bip::managed_shared_memory haptics(bip::open_only, hapticsSegment);
            HapticsCollector collect{&haptics, &out};
            // A writer that died holding the lock must not stall the simulator.
            return haptics.try_atomic_func(collect);
        }
        catch (const std::exception&)
        {
            out.clear();
            return false;
        }
    }
}
