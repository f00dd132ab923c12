#include "ServiceSegments.h"

#include "DeviceKey.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <thread>

namespace TSCoreLink
{
    namespace bip = boost::interprocess;
    using namespace Contract;

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

        /// A string object written by another process, copied only when its buffer lies in the
        /// mapping.
        bool CopyChecked(const bip::managed_shared_memory& memory, const ShmString& text, std::string& out)
        {
            const std::size_t size = text.size();
            const char* data = text.data();
            if (size > memory.get_size() || !memory.belongs_to_segment(data) ||
                (size > 0 && !memory.belongs_to_segment(data + size - 1)))
                return false;
            out.assign(data, size);
            out.resize(TextLength(out));
            return true;
        }

        bool ReadObject(const char* segment, const char* object, std::string& out)
        {
            try
            {
                bip::managed_shared_memory memory(bip::open_read_only, segment);
                const ShmString* text = memory.find_no_lock<ShmString>(object).first;
                return text != nullptr && CopyChecked(memory, *text, out);
            }
            catch (const std::exception&)
            {
                return false;
            }
        }

        /// The file behind a segment name; identifies the segment a service created.
        struct Identity
        {
            dev_t device = 0;
            ino_t inode = 0;
            bool valid = false;

            bool operator==(const Identity& other) const
            {
                return valid && other.valid && device == other.device && inode == other.inode;
            }
        };

        Identity IdentityOf(const bip::shared_memory_object& object)
        {
            struct stat info
            {
            };
            if (fstat(object.get_mapping_handle().handle, &info) != 0)
                return {};
            return {info.st_dev, info.st_ino, true};
        }

        Identity IdentityOf(const char* segment)
        {
            try
            {
                return IdentityOf(bip::shared_memory_object(bip::open_only, segment, bip::read_only));
            }
            catch (const std::exception&)
            {
                return {};
            }
        }

        /// Leading decimal integer as the library reads the stamp; false without one.
        bool LeadingInteger(const std::string& text, long long& out)
        {
            try
            {
                std::size_t used = 0;
                out = std::stoll(text, &used);
                return true;
            }
            catch (const std::exception&)
            {
                return false;
            }
        }

        struct Probe
        {
            enum class State
            {
                Free,     ///< no "Devices"
                Leftover, ///< segments of a service that is gone
                Live      ///< a running service owns them
            };
            State state = State::Free;
            SegmentOwner owner;
            std::string message;
        };

        std::string StampAge(long long stamp)
        {
            const long long age = static_cast<long long>(std::time(nullptr)) - stamp;
            if (age < 0)
                return std::to_string(-age) + " s in the future";
            return std::to_string(age) + " s old";
        }

        Probe ProbeOnce(bool& undecided)
        {
            Probe probe;
            undecided = false;
            std::optional<bip::shared_memory_object> object;
            try
            {
                object.emplace(bip::open_only, devicesSegment, bip::read_only);
            }
            catch (const bip::interprocess_exception& e)
            {
                if (e.get_error_code() == bip::not_found_error)
                    return probe;
                probe.state = Probe::State::Live;
                probe.message = std::string("\"Devices\" exists but cannot be opened (") + e.what() +
                                "); it may belong to another user's service";
                return probe;
            }
            // The owner holds an exclusive lock for its whole run; a shared one fails then.
            const int fd = object->get_mapping_handle().handle;
            const bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
            std::string text;
            const bool recorded =
                ReadObject(devicesSegment, ownerObject, text) && SegmentOwner::Parse(text, probe.owner);
            long long stamp = 0;
            std::string stampText;
            const bool stamped =
                ReadObject(devicesSegment, timeStampObject, stampText) && LeadingInteger(stampText, stamp);
            const bool fresh =
                stamped && static_cast<long long>(std::time(nullptr)) - stamp < ServiceSegments::liveSeconds;
            if (locked)
            {
                probe.state = Probe::State::Live;
                probe.message = probe.owner.Describe() + " owns the segments and is running";
            }
            else if (recorded)
            {
                probe.state = Probe::State::Leftover;
                probe.message =
                    "replaced the segments left behind by " + probe.owner.Describe() + ", which is no longer running";
            }
            else if (fresh)
            {
                probe.state = Probe::State::Live;
                probe.message = "a connection service that records no process owns the segments (its \"scanActive\" "
                                "time stamp is " +
                                StampAge(stamp) + ")";
            }
            else
            {
                probe.state = Probe::State::Leftover;
                probe.message = "replaced leftover segments of a connection service that is no longer running";
                undecided = !stamped;
            }
            return probe;
        }

        /// Who holds "Devices". A segment with neither lock, owner nor stamp may belong to a
        /// service that is starting this very moment: it gets a second look.
        Probe ProbeDevices()
        {
            bool undecided = false;
            Probe probe = ProbeOnce(undecided);
            if (!undecided)
                return probe;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return ProbeOnce(undecided);
        }

        struct Segment
        {
            std::optional<bip::managed_shared_memory> memory;
            // Only Remove destroys an object, and drops its address with it.
            std::map<std::string, ShmString*> objects;

            bool Write(const std::string& name, const std::string& text)
            {
                if (!memory)
                    return false;
                try
                {
                    ShmString*& object = objects[name];
                    if (object == nullptr)
                    {
                        object = memory->find_or_construct<ShmString>(name.c_str())(memory->get_segment_manager());
                        object->reserve(ServiceSegments::reservedCapacity);
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

            bool Remove(const std::string& name)
            {
                if (!memory)
                    return false;
                objects.erase(name);
                try
                {
                    memory->destroy<ShmString>(name.c_str());
                    return true;
                }
                catch (const std::exception&)
                {
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
                for (auto it = memory->named_begin(); it != memory->named_end(); ++it)
                {
                    std::string value;
                    // The writer is another process: its buffer must lie in the segment.
                    if (CopyChecked(*memory, *static_cast<const ShmString*>(it->value()), value))
                        out->emplace_back(std::string(it->name(), it->name_length()), std::move(value));
                }
            }
        };

        void RemoveAll()
        {
            for (const char* name : {devicesSegment, dataSegment, hapticsSegment})
                bip::shared_memory_object::remove(name);
        }

        /// Creates a segment the contract lets others create too ("Haptics" by the library):
        /// whatever is there is replaced.
        void CreateReplacing(const char* name, std::size_t size, std::optional<bip::managed_shared_memory>& memory)
        {
            for (int attempt = 0;; ++attempt)
            {
                bip::shared_memory_object::remove(name);
                try
                {
                    memory.emplace(bip::create_only, name, size);
                    return;
                }
                catch (const bip::interprocess_exception& e)
                {
                    if (e.get_error_code() != bip::already_exists_error || attempt == 3)
                        throw;
                }
            }
        }
    }

    struct ServiceSegments::Impl
    {
        Segment devices;
        Segment data;
        // Kept mapped so that polling costs no mapping; remapped when the name moves on.
        std::optional<bip::managed_shared_memory> haptics;
        Identity hapticsMapped;
        std::chrono::steady_clock::time_point hapticsChecked;
        // Holds the exclusive lock on "Devices" that marks us as the live owner.
        std::optional<bip::shared_memory_object> lock;
        Identity devicesId;
        Identity dataId;
        Identity hapticsId;
        bool claimed = false;

        enum class Created
        {
            Ok,
            Raced,
            Error
        };
        Created Create(const Options& options, std::string& error);
        bool TakeLock();
        void ReadHapticsMapping();
        void Unmap();
        void Forget();
    };

    bool ServiceSegments::Impl::TakeLock()
    {
        lock.emplace(bip::open_only, devicesSegment, bip::read_write);
        if (!(IdentityOf(*lock) == devicesId))
            return false; // replaced between creating and opening it
        // A prober holds a shared lock for a moment; wait that out, not more.
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            if (flock(lock->get_mapping_handle().handle, LOCK_EX | LOCK_NB) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    ServiceSegments::Impl::Created ServiceSegments::Impl::Create(const Options& options, std::string& error)
    {
        const char* current = devicesSegment;
        try
        {
            try
            {
                devices.memory.emplace(bip::create_only, devicesSegment, options.size);
            }
            catch (const bip::interprocess_exception& e)
            {
                // Another service created it between our look and now: look again.
                if (e.get_error_code() == bip::already_exists_error)
                    return Created::Raced;
                throw;
            }
            devicesId = IdentityOf(devicesSegment);
            if (!TakeLock())
                throw std::runtime_error("its lock is held by another process");
            if (!devices.Write(ownerObject, SegmentOwner::OfThisProcess(options.serviceName).Text()))
                throw std::runtime_error("no room for the owner record");
            current = dataSegment;
            CreateReplacing(dataSegment, options.size, data.memory);
            dataId = IdentityOf(dataSegment);
            current = hapticsSegment;
            CreateReplacing(hapticsSegment, hapticsSize, haptics);
            hapticsId = IdentityOf(hapticsSegment);
            hapticsMapped = hapticsId;
            hapticsChecked = std::chrono::steady_clock::now();
            return Created::Ok;
        }
        catch (const std::exception& e)
        {
            error = std::string("cannot create segment \"") + current + "\": " + e.what();
            return Created::Error;
        }
    }

    ServiceSegments::ServiceSegments() : impl(std::make_unique<Impl>()) {}

    ServiceSegments::~ServiceSegments() { Release(); }

    std::size_t ServiceSegments::SizeFor(std::size_t devices)
    {
        // Every string at its reserved capacity, plus the segment's own bookkeeping.
        return 16384 + (devices + 3) * (reservedCapacity + 512);
    }

    ServiceSegments::ClaimResult ServiceSegments::Claim(const Options& options)
    {
        ClaimResult result;
        if (impl->claimed)
        {
            result.message = "the segments are already claimed";
            return result;
        }
        for (int attempt = 0; attempt < 3; ++attempt)
        {
            const Probe probe = ProbeDevices();
            result.owner = probe.owner;
            if (probe.state == Probe::State::Live && !options.takeover)
            {
                result.outcome = Outcome::Busy;
                result.message = probe.message;
                return result;
            }
            RemoveAll();
            std::string error;
            const Impl::Created created = impl->Create(options, error);
            if (created == Impl::Created::Raced)
                continue;
            if (created == Impl::Created::Error)
            {
                Release();
                result.message = error;
                return result;
            }
            impl->claimed = true;
            result.outcome = Outcome::Claimed;
            if (probe.state == Probe::State::Live)
                result.message = "took the segments over from " + probe.owner.Describe();
            else if (probe.state == Probe::State::Leftover)
                result.message = probe.message;
            return result;
        }
        result.outcome = Outcome::Busy;
        result.message = "another connection service is starting at the same time";
        return result;
    }

    bool ServiceSegments::WriteDevices(const std::string& object, const std::string& text)
    {
        return impl->devices.Write(object, text);
    }

    bool ServiceSegments::WriteData(const std::string& object, const std::string& text)
    {
        return impl->data.Write(object, text);
    }

    bool ServiceSegments::WriteRecord(std::uint32_t index, const std::string& record)
    {
        return WriteDevices(DeviceKey::Of(index), record);
    }

    bool ServiceSegments::WriteText(std::uint32_t index, const std::string& text)
    {
        return WriteData(DeviceKey::Of(index), text);
    }

    bool ServiceSegments::WriteCount(const std::string& text) { return WriteDevices(deviceCountObject, text); }

    bool ServiceSegments::WriteStamp(long long seconds)
    {
        return WriteDevices(timeStampObject, std::to_string(seconds));
    }

    bool ServiceSegments::RemoveDevice(std::uint32_t index)
    {
        const std::string key = DeviceKey::Of(index);
        const bool record = impl->devices.Remove(key);
        return impl->data.Remove(key) && record;
    }

    std::uint64_t ServiceSegments::FileIdOf(const char* segment)
    {
        const Identity id = IdentityOf(segment);
        return id.valid ? static_cast<std::uint64_t>(id.inode) : 0;
    }

    void ServiceSegments::Impl::ReadHapticsMapping()
    {
        // Someone may have removed "Haptics" and the library made a new one: follow the name.
        const auto now = std::chrono::steady_clock::now();
        if (haptics && now - hapticsChecked < std::chrono::milliseconds(250))
            return;
        hapticsChecked = now;
        const Identity current = IdentityOf(hapticsSegment);
        if (haptics && current == hapticsMapped)
            return;
        haptics.reset();
        hapticsMapped = {};
        if (!current.valid)
            return;
        try
        {
            haptics.emplace(bip::open_only, hapticsSegment);
            hapticsMapped = current;
        }
        catch (const std::exception&)
        {
            haptics.reset();
        }
    }

    bool ServiceSegments::ReadHaptics(std::vector<std::pair<std::string, std::string>>& out)
    {
        out.clear();
        if (!impl->claimed)
            return false;
        impl->ReadHapticsMapping();
        if (!impl->haptics)
            return false;
        try
        {
            HapticsCollector collect{&*impl->haptics, &out};
            // A writer that died holding the lock must not stall the service.
            return impl->haptics->try_atomic_func(collect);
        }
        catch (const std::exception&)
        {
            out.clear();
            return false;
        }
    }

    bool ServiceSegments::StillOwned(std::string* why) const
    {
        if (!impl->claimed)
            return false;
        if (IdentityOf(devicesSegment) == impl->devicesId && IdentityOf(dataSegment) == impl->dataId)
            return true;
        if (why != nullptr)
        {
            bool undecided = false;
            const Probe probe = ProbeOnce(undecided);
            if (probe.state == Probe::State::Free)
                *why = "the segments were removed";
            else if (probe.state == Probe::State::Live)
                *why = "the segments were taken over: " + probe.message;
            else
                *why = "the segments were replaced by another process";
        }
        return false;
    }

    void ServiceSegments::Impl::Unmap()
    {
        devices.objects.clear();
        data.objects.clear();
        devices.memory.reset();
        data.memory.reset();
        haptics.reset();
    }

    void ServiceSegments::Impl::Forget()
    {
        lock.reset(); // closing the descriptor drops the lock
        devicesId = dataId = hapticsId = {};
        claimed = false;
    }

    void ServiceSegments::Release()
    {
        impl->Unmap();
        // Still locked: a service that starts now finds them owned instead of replacing them meanwhile.
        const std::pair<const char*, Identity> ours[] = {
            {dataSegment, impl->dataId}, {hapticsSegment, impl->hapticsId}, {devicesSegment, impl->devicesId}};
        for (const auto& [name, id] : ours)
            if (IdentityOf(name) == id)
                bip::shared_memory_object::remove(name);
        impl->Forget();
    }

    void ServiceSegments::Drop()
    {
        impl->Unmap();
        impl->Forget();
    }
}
