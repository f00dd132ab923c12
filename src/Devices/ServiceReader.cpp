#include "TSCore/Devices/ServiceReader.h"

#include <new>
#include <utility>
#include <vector>

#include "Devices/AnnouncedDevice.h"
#include "Devices/DeviceLink.h"
#include "Devices/GloveFamilies.h"
#include "Devices/KeptSegment.h"
#include "Devices/SharedMemory.h"

namespace TSCore
{
    namespace shm = detail::SharedMemory;
    using detail::KeptSegment;
    using Clock = std::chrono::steady_clock;

    namespace
    {
        constexpr std::size_t textCapacity = 1024;

        // One index below the service's count: where its objects are, what its record names,
        // and the latest text read from it.
        struct Slot
        {
            std::string key;
            const shm::ShmString* textAt = nullptr;
            std::string scratch; ///< a record or text being copied
            detail::AnnouncedDevice entry;
            std::string text;
            ServiceReader::Reading reading;
            detail::FrameStorage frame;
        };

        // Keeps segment on the file the service publishes now: opened anew when it was removed,
        // replaced or resized, or was not there at the last look.
        void Follow(KeptSegment& segment, const char* name)
        {
            if (!segment.IsOpen() || segment.Check() != KeptSegment::Validity::Same)
                segment.Open(name);
        }

        // The frame functions allocate only while their storage grows; out of memory there is
        // answered as an unreadable text.
        bool PoseOfText(HapticGlove& glove, std::string_view text, const Kinematics::BasicHandModel* model,
                        const HandProfile& profile, detail::FrameStorage& storage, HandPose& out) noexcept
        {
            try
            {
                return detail::HandPoseFromText(glove, text, model, profile, storage, out);
            }
            catch (...)
            {
                return false;
            }
        }

        bool IMURotationOfText(HapticGlove& glove, std::string_view text, detail::FrameStorage& storage,
                               Kinematics::Quat& q) noexcept
        {
            try
            {
                return detail::IMURotationFromText(glove, text, storage, q);
            }
            catch (...)
            {
                q = Kinematics::Quat::identity;
                return false;
            }
        }

        const ServiceReader::DeviceInfo& NoDevice()
        {
            static const ServiceReader::DeviceInfo none;
            return none;
        }
    }

    // The implementation stays out of the exported interface.
#if defined(__GNUC__) || defined(__clang__)
#  define TSCORE_READER_HIDDEN __attribute__((visibility("hidden")))
#else
#  define TSCORE_READER_HIDDEN
#endif

    struct TSCORE_READER_HIDDEN ServiceReader::Impl
    {
        KeptSegment devices;
        KeptSegment data;
        std::vector<Slot> slots;         ///< one per index below the count
        std::vector<std::size_t> listed; ///< position -> slot of a device
        std::optional<int> stamp;
        std::string scratch;
        Clock::time_point nextCheck{}; ///< due at once
        std::uint64_t generation = 0;

        bool Check() noexcept;
        void ReadStamp();
        int ReadCount();
        bool ReadRecord(Slot& slot, int index);
        bool List(bool replaced);

        Slot* At(std::size_t position) { return position < listed.size() ? &slots[listed[position]] : nullptr; }
        const Slot* At(std::size_t position) const
        {
            return position < listed.size() ? &slots[listed[position]] : nullptr;
        }
        Reading Read(Slot& slot) noexcept;
        Reading Answer(Slot& slot, ReadStatus status) noexcept;
        Reading Accept(Slot& slot) noexcept;
        bool PoseOf(std::size_t position, const Kinematics::BasicHandModel* model, const HandProfile& profile,
                    HandPose& out) noexcept;
    };

    // ---- The check: the segments, the stamp, the count and the records ----

    bool ServiceReader::Impl::Check() noexcept
    {
        // A copy, not a reference: binding the member itself would make every unoptimised build
        // export it.
        constexpr long long interval = checkIntervalMilliseconds;
        nextCheck = Clock::now() + std::chrono::milliseconds(interval);
        try
        {
            const KeptSegment::FileId before = devices.Id();
            Follow(devices, shm::devicesSegment);
            if (devices.Id() != before)
                slots.clear(); // another service, or the same one restarted: its devices are new
            if (!devices.IsOpen())
            {
                // The service stopped: it announces nothing.
                data.Close();
                stamp.reset();
                slots.clear();
                return List(false);
            }
            Follow(data, shm::dataSegment);
            ReadStamp();
            const int n = ReadCount();
            slots.resize(static_cast<std::size_t>(n));
            bool replaced = false;
            for (std::size_t i = 0; i < slots.size(); ++i)
            {
                Slot& slot = slots[i];
                if (slot.key.empty())
                    slot.key = shm::deviceObjectPrefix + std::to_string(i);
                replaced = ReadRecord(slot, static_cast<int>(i)) || replaced;
                slot.textAt = slot.entry.device ? data.Locate(slot.key.c_str()) : nullptr;
            }
            return List(replaced);
        }
        catch (...)
        {
            // Out of memory: the list stays as it was, and the next Update tries again.
            nextCheck = Clock::time_point{};
            return false;
        }
    }

    void ServiceReader::Impl::ReadStamp()
    {
        switch (devices.Read(devices.Locate(shm::timeStampObject), scratch))
        {
        case shm::LookupResult::Found:
            stamp = detail::ReadStamp(scratch);
            break;
        case shm::LookupResult::NotFound:
            stamp.reset();
            break;
        case shm::LookupResult::Unstable:
            break; // being rewritten: the one read before stands
        }
    }

    int ServiceReader::Impl::ReadCount()
    {
        switch (devices.Read(devices.Locate(shm::deviceCountObject), scratch))
        {
        case shm::LookupResult::Found:
        {
            const int n = detail::ReadAnnouncedCount(scratch);
            return n < 0 ? 0 : n;
        }
        case shm::LookupResult::NotFound:
            return 0;
        case shm::LookupResult::Unstable:
            break;
        }
        return static_cast<int>(slots.size());
    }

    // True when the slot's device was replaced or dropped.
    bool ServiceReader::Impl::ReadRecord(Slot& slot, int index)
    {
        const shm::LookupResult result = devices.Read(devices.Locate(slot.key.c_str()), slot.scratch);
        if (result == shm::LookupResult::Unstable)
            return false; // being rewritten: the entry stays as it was
        std::optional<std::string_view> record;
        if (result == shm::LookupResult::Found)
            record = slot.scratch;
        const detail::RecordChange change = detail::UpdateAnnounced(index, record, slot.entry);
        if (change != detail::RecordChange::Replaced && change != detail::RecordChange::Dropped)
            return false;
        // Another device: its readings start over. Room for texts of any usual length, so that
        // a text a little longer than the ones before does not allocate in the middle of a stream.
        slot.text.clear();
        slot.reading = Reading();
        slot.text.reserve(textCapacity);
        slot.scratch.reserve(textCapacity);
        return true;
    }

    bool ServiceReader::Impl::List(bool replaced)
    {
        std::size_t n = 0;
        bool changed = replaced;
        for (std::size_t i = 0; i < slots.size(); ++i)
        {
            if (!slots[i].entry.device)
                continue;
            changed = changed || n >= listed.size() || listed[n] != i;
            if (n < listed.size())
                listed[n] = i;
            else
                listed.push_back(i);
            ++n;
        }
        changed = changed || n != listed.size();
        listed.resize(n);
        if (changed)
            ++generation;
        return changed;
    }

    // ---- Reading a text ----

    ServiceReader::Reading ServiceReader::Impl::Answer(Slot& slot, ReadStatus status) noexcept
    {
        slot.reading.status = status;
        return slot.reading;
    }

    ServiceReader::Reading ServiceReader::Impl::Accept(Slot& slot) noexcept
    {
        Reading& reading = slot.reading;
        if (reading.sequence > 0 && slot.scratch == slot.text)
            return Answer(slot, ReadStatus::Unchanged);
        slot.text.swap(slot.scratch); // both keep their capacity
        ++reading.sequence;
        reading.firstSeen = Clock::now();
        reading.firstSeenWall = std::chrono::system_clock::now();
        return Answer(slot, ReadStatus::New);
    }

    ServiceReader::Reading ServiceReader::Impl::Read(Slot& slot) noexcept
    {
        if (!data.IsOpen() || slot.textAt == nullptr)
            return Answer(slot, ReadStatus::Missing);
        switch (data.Check())
        {
        case KeptSegment::Validity::Gone:
            // Not touched again; the next Update opens what the service publishes now.
            data.Close();
            nextCheck = Clock::time_point{};
            return Answer(slot, ReadStatus::Missing);
        case KeptSegment::Validity::Grown:
            nextCheck = Clock::time_point{};
            break;
        case KeptSegment::Validity::Same:
            break;
        }
        switch (data.Read(slot.textAt, slot.scratch))
        {
        case shm::LookupResult::Found:
            return Accept(slot);
        case shm::LookupResult::Unstable:
            return Answer(slot, ReadStatus::Unstable);
        case shm::LookupResult::NotFound:
            break;
        }
        return Answer(slot, ReadStatus::Missing);
    }

    bool ServiceReader::Impl::PoseOf(std::size_t position, const Kinematics::BasicHandModel* model,
                                     const HandProfile& profile, HandPose& out) noexcept
    {
        try
        {
            Slot* slot = At(position);
            HapticGlove* glove = slot != nullptr ? slot->entry.glove.get() : nullptr;
            if (glove == nullptr)
            {
                out = HandPose::DefaultIdle(profile.isRight);
                return false;
            }
            if (!Read(*slot).Ok())
            {
                out = HandPose::DefaultIdle(detail::IdleSide(*glove, profile));
                return false;
            }
            return PoseOfText(*glove, slot->text, model, profile, slot->frame, out);
        }
        catch (...)
        {
            return false; // out of memory for the idle pose
        }
    }

    // ---- The public face ----

    ServiceReader::ServiceReader() : impl(new (std::nothrow) Impl)
    {
        if (impl)
            impl->Check();
    }

    ServiceReader::~ServiceReader() = default;
    ServiceReader::ServiceReader(ServiceReader&& other) noexcept = default;
    ServiceReader& ServiceReader::operator=(ServiceReader&& other) noexcept = default;

    bool ServiceReader::Update() { return impl && Clock::now() >= impl->nextCheck && impl->Check(); }

    bool ServiceReader::Refresh() { return impl && impl->Check(); }

    std::uint64_t ServiceReader::Generation() const { return impl ? impl->generation : 0; }

    ServiceReader::ServiceState ServiceReader::State() const
    {
        return impl && impl->devices.IsOpen() ? StateForStampAge(StampAge()) : ServiceState::Stopped;
    }

    std::optional<long long> ServiceReader::StampAge() const
    {
        if (!impl || !impl->devices.IsOpen() || !impl->stamp)
            return std::nullopt;
        return detail::DeviceLink::StampAge(*impl->stamp);
    }

    ServiceReader::ServiceState ServiceReader::StateForStampAge(std::optional<long long> ageSeconds)
    {
        if (!ageSeconds || *ageSeconds >= stoppedAfterSeconds)
            return ServiceState::Stopped;
        return *ageSeconds < staleAfterSeconds ? ServiceState::Running : ServiceState::Stale;
    }

    const char* ServiceReader::StateName(ServiceState state)
    {
        switch (state)
        {
        case ServiceState::Running:
            return "running";
        case ServiceState::Stale:
            return "stale";
        case ServiceState::Stopped:
            break;
        }
        return "stopped";
    }

    std::size_t ServiceReader::DeviceCount() const { return impl ? impl->listed.size() : 0; }

    const ServiceReader::DeviceInfo& ServiceReader::Info(std::size_t position) const
    {
        const Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? slot->entry.info : NoDevice();
    }

    std::shared_ptr<TSDevice> ServiceReader::Device(std::size_t position) const
    {
        const Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? slot->entry.device : nullptr;
    }

    std::shared_ptr<HapticGlove> ServiceReader::Glove(std::size_t position) const
    {
        const Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? slot->entry.glove : nullptr;
    }

    std::size_t ServiceReader::FindIndex(int deviceIndex) const
    {
        for (std::size_t i = 0; i < DeviceCount(); ++i)
            if (Info(i).deviceIndex == deviceIndex)
                return i;
        return npos;
    }

    std::size_t ServiceReader::FindKey(std::string_view deviceKey) const
    {
        for (std::size_t i = 0; i < DeviceCount(); ++i)
            if (Info(i).deviceKey == deviceKey)
                return i;
        return npos;
    }

    std::size_t ServiceReader::FindGlove(bool right) const
    {
        for (std::size_t i = 0; i < DeviceCount(); ++i)
        {
            const DeviceInfo& info = Info(i);
            if (info.isGlove && info.connected && info.isRight == right)
                return i;
        }
        return npos;
    }

    ServiceReader::Reading ServiceReader::Read(std::size_t position)
    {
        Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? impl->Read(*slot) : Reading();
    }

    std::string_view ServiceReader::Text(std::size_t position) const
    {
        const Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? std::string_view(slot->text) : std::string_view();
    }

    ServiceReader::Reading ServiceReader::ReadText(std::size_t position, std::string& out)
    {
        const Reading reading = Read(position);
        try
        {
            out.assign(Text(position));
        }
        catch (...)
        {
            out.clear(); // no memory for the caller's copy
        }
        return reading;
    }

    ServiceReader::Reading ServiceReader::LastReading(std::size_t position) const
    {
        const Slot* slot = impl ? impl->At(position) : nullptr;
        return slot != nullptr ? slot->reading : Reading();
    }

    bool ServiceReader::GetHandPose(std::size_t position, const HandProfile& profile, HandPose& out)
    {
        if (impl)
            return impl->PoseOf(position, nullptr, profile, out);
        out = HandPose::DefaultIdle(profile.isRight);
        return false;
    }

    bool ServiceReader::GetHandPose(std::size_t position, const Kinematics::BasicHandModel& handModel,
                                    const HandProfile& profile, HandPose& out)
    {
        if (impl)
            return impl->PoseOf(position, &handModel, profile, out);
        out = HandPose::DefaultIdle(profile.isRight);
        return false;
    }

    bool ServiceReader::GetIMURotation(std::size_t position, Kinematics::Quat& q)
    {
        Slot* slot = impl ? impl->At(position) : nullptr;
        if (slot != nullptr && slot->entry.glove && impl->Read(*slot).Ok())
            return IMURotationOfText(*slot->entry.glove, slot->text, slot->frame, q);
        q = Kinematics::Quat::identity;
        return false;
    }

    // ---- Poses of texts read elsewhere ----

    namespace
    {
        detail::FrameStorage& ThreadFrames()
        {
            // Kept per thread from call to call: a stream of texts allocates nothing.
            thread_local detail::FrameStorage storage;
            return storage;
        }
    }

    bool ServiceReader::HandPoseFromText(HapticGlove& glove, std::string_view text, const HandProfile& profile,
                                         HandPose& out)
    {
        return PoseOfText(glove, text, nullptr, profile, ThreadFrames(), out);
    }

    bool ServiceReader::HandPoseFromText(HapticGlove& glove, std::string_view text,
                                         const Kinematics::BasicHandModel& handModel, const HandProfile& profile,
                                         HandPose& out)
    {
        return PoseOfText(glove, text, &handModel, profile, ThreadFrames(), out);
    }

    bool ServiceReader::IMURotationFromText(HapticGlove& glove, std::string_view text, Kinematics::Quat& q)
    {
        return IMURotationOfText(glove, text, ThreadFrames(), q);
    }

    // ---- One-off reads of other objects ----

    namespace
    {
        bool ReadOnce(const char* segmentName, std::string_view object, std::string& out) noexcept
        {
            out.clear();
            try
            {
                shm::ReadOnlySegment segment;
                std::string error;
                std::string text;
                if (!segment.Open(segmentName, error) ||
                    segment.Read(std::string(object), text) != shm::LookupResult::Found)
                    return false;
                out.swap(text);
                return true;
            }
            catch (...)
            {
                return false; // no memory for the name or the copy
            }
        }
    }

    bool ServiceReader::ReadCommandText(std::string_view deviceKey, std::string& out)
    {
        return ReadOnce(shm::hapticsSegment, deviceKey, out);
    }

    bool ServiceReader::ReadServiceText(std::string_view object, std::string& out)
    {
        return ReadOnce(shm::devicesSegment, object, out);
    }

    std::shared_ptr<TSDevice> ServiceReader::DeviceFromRecord(int deviceIndex, std::string_view record,
                                                              DeviceInfo* info)
    {
        detail::AnnouncedDevice entry;
        detail::UpdateAnnounced(deviceIndex, record, entry);
        if (info != nullptr && entry.device)
            *info = std::move(entry.info);
        return entry.device;
    }
}
