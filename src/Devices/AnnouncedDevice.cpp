#include "Devices/AnnouncedDevice.h"

#include <utility>

#include "Devices/DeviceLink.h"
#include "Devices/DeviceRecord.h"
#include "Diagnostics/Log.h"
#include "Util/Guard.h"
#include "Util/NumberParse.h"

namespace TSCore::detail
{
    namespace
    {
        using Info = ServiceReader::DeviceInfo;

        // Field i of the record ("" when it has none), without allocating.
        std::string_view Field(std::string_view record, std::size_t i)
        {
            std::size_t begin = 0;
            for (; i > 0; --i)
            {
                begin = record.find('@', begin);
                if (begin == std::string_view::npos)
                    return std::string_view();
                ++begin;
            }
            return record.substr(begin, record.find('@', begin) - begin);
        }

        // Fields 0, 1, 4 and 5, as TSDevice reads them from the record on every call. The
        // strings keep their capacity: a record whose rate changes every second costs no
        // allocation.
        void ReadFacts(std::string_view record, Info& info)
        {
            const std::string_view state = Field(record, 0);
            info.connected = !state.empty() && state[0] == '1';
            int value = 0;
            info.packetsPerSecond = Util::detail::ReadInt(Field(record, 1), 0, value) ? value : 0;
            info.address.assign(Field(record, 4));
            value = -1;
            info.connectionType = Util::detail::ReadInt(Field(record, 5), -1, value)
                                      ? static_cast<TSDevice::ConnectionType>(value)
                                      : TSDevice::ConnectionType::Unknown;
            // Room for a rate or address that grows by a few digits.
            if (info.record.capacity() < record.size())
                info.record.reserve(record.size() + 16);
            info.record.assign(record);
        }

        // The identity the device object gives, read once: its getters build new strings.
        void ReadIdentity(int index, AnnouncedDevice& entry)
        {
            TSDevice& device = *entry.device;
            Info& info = entry.info;
            info.deviceIndex = index;
            info.deviceKey = device.GetDeviceKey();
            info.type = device.GetDeviceType();
            info.isGlove = entry.glove != nullptr;
            info.isRight = entry.glove != nullptr && entry.glove->IsRight();
            info.deviceID = device.GetDeviceID();
            info.hardwareVersion = device.GetHardwareVersion();
            info.firmwareVersion = device.GetFirmwareVersion();
            info.subFirmwareVersion = device.GetSubFirmwareVersion();
            info.firmware = device.GetFirmwareString();
        }

        // At least the six fields that DeserializeDeviceRecord asks for.
        bool WellFormed(std::string_view record)
        {
            std::size_t separators = 0;
            for (const char c : record)
                separators += c == '@' ? 1u : 0u;
            return separators >= 5;
        }

        bool Parse(int index, std::string_view record, AnnouncedDevice& entry)
        {
            std::shared_ptr<TSDevice> device;
            if (!DeserializeDeviceRecord(std::string(record), device))
                return false;
            device->SetDeviceIndex(index);
            AnnouncedDevice parsed;
            parsed.glove = std::dynamic_pointer_cast<HapticGlove>(device);
            parsed.device = std::move(device);
            ReadIdentity(index, parsed);
            ReadFacts(record, parsed.info);
            entry = std::move(parsed);
            TSCORE_LOG(Verbose, "Reading " + entry.info.deviceKey + " as a device with ID " + entry.info.deviceID);
            return true;
        }
    }

    int ReadAnnouncedCount(std::string_view text)
    {
        int n = 0;
        if (!Util::detail::ReadInt(text, 0, n) || n < 0)
            return -1;
        return n < DeviceLink::maxScannedDevices ? n : DeviceLink::maxScannedDevices;
    }

    std::optional<int> ReadStamp(std::string_view text)
    {
        int stamp = 0;
        if (Util::detail::ParseInt(text, stamp) != Util::detail::ParseStatus::Ok)
            return std::nullopt;
        return stamp;
    }

    std::string_view RecordIdentity(std::string_view record)
    {
        std::size_t begin = 0;
        for (int field = 0; field < 2 && begin != std::string_view::npos; ++field)
        {
            begin = record.find('@', begin);
            if (begin != std::string_view::npos)
                ++begin;
        }
        if (begin == std::string_view::npos)
            return std::string_view();
        const std::size_t afterType = record.find('@', begin);
        const std::size_t end = afterType == std::string_view::npos ? afterType : record.find('@', afterType + 1);
        return record.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
    }

    RecordChange UpdateAnnounced(int index, const std::optional<std::string_view>& record, AnnouncedDevice& entry)
    {
        const bool listed = entry.device != nullptr;
        // A record seen before is not parsed again, whether it was accepted or not.
        if (record ? *record == entry.info.record : !listed && entry.info.record.empty())
            return RecordChange::None;
        const auto drop = [&](std::string_view rejected)
        {
            entry = AnnouncedDevice();
            entry.info.record = std::string(rejected);
            return listed ? RecordChange::Dropped : RecordChange::None;
        };
        return Util::detail::Guard(
            [&]
            {
                if (!record)
                    return drop(std::string_view());
                if (listed && WellFormed(*record) && RecordIdentity(*record) == RecordIdentity(entry.info.record))
                {
                    ReadFacts(*record, entry.info);
                    return RecordChange::Facts;
                }
                return Parse(index, *record, entry) ? RecordChange::Replaced : drop(*record);
            },
            [&](const std::string& why)
            {
                TSCORE_LOG(Verbose, "Dropping device " + std::to_string(index) + ": " + why);
                entry = AnnouncedDevice();
                return listed ? RecordChange::Dropped : RecordChange::None;
            });
    }
}
