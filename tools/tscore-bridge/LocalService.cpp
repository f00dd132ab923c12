#include "LocalService.h"

#include <algorithm>

#include <TSCore/Devices/DeviceList.h>

#include "RecordText.h"

namespace TSCoreBridge
{
    using TSCore::DeviceList;

    void LocalService::Refresh()
    {
        texts.Renew();
        running = DeviceList::TessLinkRunning();
        if (running && !wasRunning && !devices.empty())
            Rediscover(); // the service restarted: its devices may be others now
        wasRunning = running;
        Discover();
        if (!ReadRecords())
        {
            Rediscover();
            ReadRecords();
        }
    }

    void LocalService::Rediscover()
    {
        devices.clear();
        DeviceList::Dispose();
        DeviceList::ReInitialize();
        Discover();
    }

    void LocalService::Discover()
    {
        for (const auto& device : DeviceList::GetDevices())
        {
            if (!device || device->GetDeviceIndex() < 0)
                continue;
            const auto index = static_cast<std::uint32_t>(device->GetDeviceIndex());
            if (Find(index) != nullptr)
                continue;
            Device entry;
            entry.index = index;
            entry.device = device;
            entry.glove = dynamic_cast<TSCore::HapticGlove*>(device.get());
            devices.push_back(std::move(entry));
        }
        std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) { return a.index < b.index; });
    }

    // False when a known device's record now names another device (the cached object is stale).
    bool LocalService::ReadRecords()
    {
        std::vector<std::string> keys;
        for (const auto& device : devices)
            keys.push_back(device.device->GetDeviceKey());
        std::vector<std::string> records;
        RecordText::ReadAll(keys, records);
        for (std::size_t i = 0; i < devices.size(); ++i)
        {
            Device& device = devices[i];
            device.recordChanged = records[i] != device.record;
            if (!device.recordChanged)
                continue;
            if (!device.record.empty() && !records[i].empty() &&
                RecordText::Identity(records[i]) != RecordText::Identity(device.record))
                return false;
            if (!records[i].empty())
                device.record = records[i];
            else
                device.recordChanged = false; // unreadable for now: keep announcing the last one
        }
        return true;
    }

    bool LocalService::ReadText(Device& device)
    {
        texts.Read(device.device->GetDeviceKey(), text);
        if (device.textRead && text == device.text)
            return false;
        device.text = text;
        device.textRead = true;
        return true;
    }

    std::uint32_t LocalService::Count() const { return devices.empty() ? 0 : devices.back().index + 1; }

    LocalService::Device* LocalService::Find(std::uint32_t index)
    {
        for (auto& device : devices)
            if (device.index == index)
                return &device;
        return nullptr;
    }

    LocalService::Device* LocalService::GloveFor(bool right)
    {
        for (auto& device : devices)
            if (device.glove != nullptr && RecordText::Connected(device.record) && device.glove->IsRight() == right)
                return &device;
        return nullptr;
    }
}
