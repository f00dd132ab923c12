#include "LocalService.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include <TSCore/Devices/DeviceList.h>

#include "Protocol.h"
#include "ServiceSegments.h"

namespace TSCoreBridge
{
    using TSCore::DeviceList;
    using TSCoreService::ServiceSegments;

    namespace
    {
        // The rule every tool follows: a stamp this old means the service is not updating, and
        // from the library's ten seconds on that it stopped.
        constexpr long long staleSeconds = 3;
        constexpr long long stoppedSeconds = 10;
    }

    void LocalService::Refresh()
    {
        texts.Renew();
        RecordText::Announcement announced;
        RecordText::ReadAnnouncement(Protocol::maxDevices, announced);
        count = static_cast<std::uint32_t>(announced.records.size());
        // The library's cache keeps what is no longer announced; a later device under such an
        // index would be given the old object.
        if (Restarted(announced) || count < cached)
            Rediscover();
        if (!Apply(announced.records))
        {
            Rediscover();
            Apply(announced.records);
        }
    }

    bool LocalService::Restarted(const RecordText::Announcement& announced)
    {
        long long stamp = 0;
        stampAge.reset();
        // The library reads the stamp as an int: one beyond it is no stamp.
        if (announced.mapped && RecordText::LeadingNumber(announced.stamp, stamp) &&
            stamp >= std::numeric_limits<int>::min() && stamp <= std::numeric_limits<int>::max())
            stampAge = static_cast<long long>(std::time(nullptr)) - stamp;
        const bool running = State() == Condition::Running;
        const std::uint64_t file = announced.mapped ? ServiceSegments::FileIdOf(ServiceSegments::devicesSegment) : 0;
        const bool restarted = file != segmentFile || (running && !wasRunning);
        segmentFile = file;
        wasRunning = running;
        return restarted;
    }

    void LocalService::Rediscover()
    {
        devices.clear();
        cached = 0;
        DeviceList::Dispose();
        DeviceList::ReInitialize();
    }

    // False when a known index's record names another device now (its object is another's).
    bool LocalService::Apply(const std::vector<std::string>& records)
    {
        for (const Device& device : devices)
            if (device.index < records.size() && !records[device.index].empty() &&
                RecordText::Identity(records[device.index]) != RecordText::Identity(device.record))
                return false;
        std::vector<std::shared_ptr<TSCore::TSDevice>> library(records.size());
        for (const auto& device : DeviceList::GetDevices())
        {
            const int index = device ? device->GetDeviceIndex() : -1;
            if (index < 0 || index >= static_cast<int>(Protocol::maxDevices))
                continue;
            const auto at = static_cast<std::uint32_t>(index);
            cached = std::max(cached, at + 1);
            if (at < library.size())
                library[at] = device;
        }
        std::vector<Device> now;
        for (std::uint32_t index = 0; index < records.size(); ++index)
        {
            Device* before = Entry(index);
            const std::string& record = records[index];
            if (before == nullptr && record.empty())
                continue;
            Device entry = before != nullptr ? std::move(*before) : Device{};
            entry.index = index;
            entry.key = ServiceSegments::DeviceKey(static_cast<int>(index));
            // A record unreadable for now keeps the last one announced.
            entry.recordChanged = !record.empty() && record != entry.record;
            if (entry.recordChanged)
                entry.record = record;
            if (!entry.device && library[index])
            {
                entry.device = library[index];
                entry.glove = dynamic_cast<TSCore::HapticGlove*>(entry.device.get());
            }
            now.push_back(std::move(entry));
        }
        devices = std::move(now);
        return true;
    }

    bool LocalService::ReadText(Device& device)
    {
        texts.Read(device.key, text);
        if (device.textRead && text == device.text)
            return false;
        device.text = text;
        device.textRead = true;
        device.textSeen = std::chrono::system_clock::now();
        return true;
    }

    LocalService::Condition LocalService::State() const
    {
        if (!stampAge || *stampAge >= stoppedSeconds)
            return Condition::Stopped;
        return *stampAge >= staleSeconds ? Condition::Stale : Condition::Running;
    }

    LocalService::Device* LocalService::Entry(std::uint32_t index)
    {
        for (auto& device : devices)
            if (device.index == index)
                return &device;
        return nullptr;
    }

    LocalService::Device* LocalService::Find(std::uint32_t index)
    {
        Device* device = Entry(index);
        return device != nullptr && device->device ? device : nullptr;
    }

    LocalService::Device* LocalService::GloveFor(bool right)
    {
        for (auto& device : devices)
            if (device.glove != nullptr && RecordText::Connected(device.record) && device.glove->IsRight() == right)
                return &device;
        return nullptr;
    }
}
