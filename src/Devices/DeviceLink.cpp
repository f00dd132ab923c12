#include "Devices/DeviceLink.h"

#include <ctime>
#include <exception>

#include "Devices/DeviceRecord.h"
#include "Devices/SharedMemory.h"
#include "Diagnostics/Log.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/NumberParse.h"

namespace TSCore::detail::DeviceLink
{
    namespace shm = SharedMemory;

    namespace
    {
        void LogReadError(const char* segment, const std::string& object, const std::string& error)
        {
            TSCORE_LOG(Verbose, std::string("Error reading from ") + segment + "-" + object);
            TSCORE_LOG(Verbose, error);
        }

        void LogNotFound(const char* segment, const std::string& object)
        {
            TSCORE_LOG(Errors, std::string("No data available at ") + segment + "-" + object);
        }

        // The device count, or -1 (logged) when it cannot be read.
        int ReadCount(const shm::ReadOnlySegment& mapped)
        {
            std::string text;
            if (mapped.Read(shm::deviceCountObject, text) != shm::LookupResult::Found)
            {
                LogNotFound(shm::devicesSegment, shm::deviceCountObject);
                return -1;
            }
            int n = 0;
            if (!Util::detail::ReadInt(text, 0, n))
            {
                TSCORE_LOG(Verbose, Util::detail::intRangeError);
                return -1;
            }
            return n < 0 ? -1 : n;
        }

        // Per index below scanned, whether a device with that index is cached already.
        std::vector<bool> CachedIndices(int scanned, int& covered)
        {
            std::vector<bool> cached(static_cast<std::size_t>(scanned), false);
            covered = 0;
            for (const auto& device : Cache())
            {
                const int index = device->GetDeviceIndex();
                if (index >= 0 && index < scanned && !cached[static_cast<std::size_t>(index)])
                {
                    cached[static_cast<std::size_t>(index)] = true;
                    ++covered;
                }
            }
            return cached;
        }

        // Caches the device of record i when its record is readable and accepted.
        void Discover(const shm::ReadOnlySegment& mapped, int i)
        {
            const std::string key = shm::deviceObjectPrefix + std::to_string(i);
            std::string record;
            if (mapped.Read(key, record) != shm::LookupResult::Found)
            {
                LogNotFound(shm::devicesSegment, key);
                return;
            }
            std::shared_ptr<TSDevice> device;
            if (!DeserializeDeviceRecord(record, device))
                return;
            device->SetDeviceIndex(i);
            Cache().push_back(device);
            TSCORE_LOG(Verbose, "Detected a new device with ID " + device->GetDeviceID());
        }
    }

    std::int32_t StampAge(int stamp)
    {
        // Without the undefined behaviour of a signed overflow.
        const auto now = static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
        return static_cast<std::int32_t>(now - static_cast<std::uint32_t>(stamp));
    }

    std::vector<std::shared_ptr<TSDevice>>& Cache()
    {
        static std::vector<std::shared_ptr<TSDevice>> devices;
        return devices;
    }

    bool& Disposed()
    {
        static bool disposed = false;
        return disposed;
    }

    bool ReadSharedString(const char* segment, const std::string& object, std::string& out)
    {
        shm::ReadOnlySegment mapped;
        std::string error;
        if (!mapped.Open(segment, error))
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
            TSCORE_LOG(Verbose, std::string("Data kept changing while reading ") + segment + "-" + object);
            return false;
        }
        return false;
    }

    bool WriteSharedString(const char* segment, const std::string& object, const std::string& value, std::size_t size)
    {
        std::string error;
        if (!object.empty() && size > 0 && shm::Write(segment, object, value, size, error))
            return true;
        if (object.empty())
            error = "no object name";
        TSCORE_LOG(Verbose, std::string("Error writing to device ") + segment + "-" + object);
        TSCORE_LOG(Verbose, error);
        return false;
    }

    int RefreshDevices()
    {
        if (Disposed())
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
            const int n = ReadCount(mapped);
            if (n < 0)
                return -1;
            // Indices already cached are never read again. A record skipped on an earlier pass
            // (unreadable or rejected) leaves a gap that is tried again here, so a device is
            // cached once, with its own index, whatever order the records became readable in.
            const int scanned = n < maxScannedDevices ? n : maxScannedDevices;
            int covered = 0;
            const std::vector<bool> cached = CachedIndices(scanned, covered);
            for (int i = 0; i < scanned && covered < scanned; ++i)
                if (!cached[static_cast<std::size_t>(i)])
                    Discover(mapped, i);
            return n;
        }
        catch (const std::exception& e)
        {
            // Reading shared memory never throws to the application, not even out of memory.
            TSCORE_LOG(Verbose, Util::detail::ExceptionText(e));
            return -1;
        }
    }

    std::string DeviceField(const std::string& deviceKey, int index)
    {
        std::string record;
        if (!ReadSharedString(shm::devicesSegment, deviceKey, record))
            return std::string();
        return Util::StrStuff::QuickSplit(record, '@', index);
    }
}
