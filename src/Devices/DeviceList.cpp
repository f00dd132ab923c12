#include "TSCore/Devices/DeviceList.h"

#include <cstdint>
#include <ctime>
#include <exception>
#include <vector>

#include "Devices/DeviceRecord.h"
#include "Devices/SharedMemory.h"
#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/NumberParse.h"

namespace TSCore
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::StrStuff;
    namespace shm = detail::SharedMemory;

    std::vector<std::shared_ptr<TSDevice>> DeviceList::devices;
    bool DeviceList::disposed = false;

    namespace
    {
        // A service announcing more devices than this is not describing gloves; scanning its
        // count would cost one lookup per claimed index on every refresh.
        constexpr int maxScannedDevices = 1024;

        void LogReadError(const std::string& segment, const std::string& object, const std::string& error)
        {
            if (!Debugger::Enabled(DebugLevel::Verbose))
                return;
            Debugger::Log("Error reading from " + segment + "-" + object, DebugLevel::Verbose);
            Debugger::Log(error, DebugLevel::Verbose);
        }

        void LogNotFound(const std::string& segment, const std::string& object)
        {
            if (Debugger::Enabled(DebugLevel::Errors))
                Debugger::Log("No data available at " + segment + "-" + object, DebugLevel::Errors);
        }

        // Opens a segment, reads one object and closes it again, with the link's messages.
        bool ReadOnce(const std::string& segment, const std::string& object, std::string& out)
        {
            shm::ReadOnlySegment mapped;
            std::string error;
            if (!mapped.Open(segment.c_str(), error))
            {
                LogReadError(segment, object, error);
                return false;
            }
            switch (mapped.Read(object, out))
            {
            case shm::LookupResult::Found:
                return true;
            case shm::LookupResult::NotFound:
                LogNotFound(segment, object);
                return false;
            case shm::LookupResult::Unstable:
                if (Debugger::Enabled(DebugLevel::Verbose))
                    Debugger::Log("Data kept changing while reading " + segment + "-" + object, DebugLevel::Verbose);
                return false;
            }
            return false;
        }
    }

    bool DeviceList::ReadSharedString(const std::string& segment, const std::string& object, std::string& out)
    {
        return ReadOnce(segment, object, out);
    }

    bool DeviceList::WriteSharedString(const std::string& segment, const std::string& object,
                                       const std::string& value, int size)
    {
        std::string error;
        if (!object.empty() && size > 0 &&
            shm::Write(segment.c_str(), object, value, static_cast<std::size_t>(size), error))
            return true;
        if (object.empty())
            error = "no object name";
        if (Debugger::Enabled(DebugLevel::Verbose))
        {
            Debugger::Log("Error writing to device " + segment + "-" + object, DebugLevel::Verbose);
            Debugger::Log(error, DebugLevel::Verbose);
        }
        return false;
    }

    int DeviceList::ActiveDevices()
    {
        RefreshDevices();
        return static_cast<int>(devices.size());
    }

    std::vector<std::shared_ptr<TSDevice>> DeviceList::GetDevices()
    {
        // One refresh: a second one right after it would read the same count again.
        RefreshDevices();
        return devices;
    }

    bool DeviceList::GetSensorDataString(std::string deviceKey, std::string& out)
    {
        if (ReadSharedString(shm::dataSegment, deviceKey, out))
            return true;
        out.clear();
        return false;
    }

    bool DeviceList::SendHaptics(std::string deviceKey, std::string command)
    {
        return WriteSharedString(shm::hapticsSegment, deviceKey, command, hapticsSegmentSize);
    }

    bool DeviceList::TessLinkRunning()
    {
        std::string text;
        if (!ReadSharedString(shm::devicesSegment, shm::timeStampObject, text))
            return false;

        int stamp = 0;
        const Util::detail::ParseStatus status = Util::detail::ParseInt(text, stamp);
        if (status != Util::detail::ParseStatus::Ok)
        {
            if (Debugger::Enabled(DebugLevel::Errors))
            {
                Debugger::Log("Error checking UpdateTime:", DebugLevel::Errors);
                Debugger::Log(status == Util::detail::ParseStatus::OutOfRange ? "stoi argument out of range" : "stoi",
                              DebugLevel::Errors);
            }
            return false;
        }

        // The low 32 bits of the clock minus the stamp, wrapping as 32-bit arithmetic does,
        // without the undefined behaviour of a signed overflow.
        const auto now = static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
        const auto age = static_cast<std::int32_t>(now - static_cast<std::uint32_t>(stamp));
        return age < 10;
    }

    void DeviceList::Dispose()
    {
        if (disposed)
            return;
        disposed = true;
        devices.clear();
    }

    void DeviceList::ReInitialize() { disposed = false; }

    int DeviceList::RefreshDevices()
    {
        if (disposed)
            return -1;
        try
        {
            // One mapping serves the count and every record of this refresh.
            shm::ReadOnlySegment mapped;
            std::string error;
            if (!mapped.Open(shm::devicesSegment, error))
            {
                LogReadError(shm::devicesSegment, shm::deviceCountObject, error);
                return -1;
            }
            std::string text;
            if (mapped.Read(shm::deviceCountObject, text) != shm::LookupResult::Found)
            {
                LogNotFound(shm::devicesSegment, shm::deviceCountObject);
                return -1;
            }
            const int n = StrStuff::ToInt(text, 0);
            if (n < 0)
                return -1;
            const int scanned = n < maxScannedDevices ? n : maxScannedDevices;

            // Indices already cached are never read again. A record skipped on an earlier pass
            // (unreadable or rejected) leaves a gap that is tried again here, so a device is
            // cached once, with its own index, whatever order the records became readable in.
            std::vector<bool> cached(static_cast<std::size_t>(scanned), false);
            int covered = 0;
            for (const auto& device : devices)
            {
                const int index = device->GetDeviceIndex();
                if (index >= 0 && index < scanned && !cached[static_cast<std::size_t>(index)])
                {
                    cached[static_cast<std::size_t>(index)] = true;
                    ++covered;
                }
            }
            if (covered == scanned)
                return n;

            for (int i = 0; i < scanned; ++i)
            {
                if (cached[static_cast<std::size_t>(i)])
                    continue;
                const std::string key = shm::deviceObjectPrefix + std::to_string(i);
                std::string record;
                if (mapped.Read(key, record) != shm::LookupResult::Found)
                {
                    LogNotFound(shm::devicesSegment, key);
                    continue;
                }
                std::shared_ptr<TSDevice> device;
                if (!DeserializeDevice(record, device))
                    continue;
                device->SetDeviceIndex(i);
                devices.push_back(device);
                if (Debugger::Enabled(DebugLevel::Verbose))
                    Debugger::Log("Detected a new device with ID " + device->GetDeviceID(), DebugLevel::Verbose);
            }
            return n;
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Verbose);
            return -1;
        }
    }

    bool DeviceList::DeserializeDevice(std::string record, std::shared_ptr<TSDevice>& out)
    {
        return detail::DeserializeDeviceRecord(record, out);
    }

    std::string DeviceList::GetDeviceField(const std::string& deviceKey, int index)
    {
        std::string record;
        if (!ReadSharedString(shm::devicesSegment, deviceKey, record))
            return std::string();
        return StrStuff::QuickSplit(record, '@', index);
    }
}
