#pragma once

// The device link's inside: the shared-memory reads and writes with the link's log lines, the
// process-wide device cache and its refresh. DeviceList is its public face; the device classes
// reach the cache through here, never through the installed header.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Devices/TSDevice.h"

namespace TSCore::detail::DeviceLink
{
    /// A service announcing more devices than this is not describing gloves; scanning its
    /// count would cost one lookup per claimed index on every refresh.
    inline constexpr int maxScannedDevices = 1024;

    /// Seconds from the service's time stamp to now: the low 32 bits of the clock minus the
    /// stamp, wrapping as 32-bit arithmetic does (negative for a stamp ahead of the clock).
    std::int32_t StampAge(int stamp);

    /// Opens segment read-only, copies the named string into out and closes it again. False,
    /// with the link's log line, when the segment or object is missing or kept changing; out is
    /// then untouched. Allocation-free once out has the capacity.
    bool ReadSharedString(const char* segment, const std::string& object, std::string& out);

    /// Opens or creates segment with size bytes and replaces the named string by value.
    bool WriteSharedString(const char* segment, const std::string& object, const std::string& value, std::size_t size);

    /// Reads the service's device count and caches every record not cached yet; the count, or -1.
    int RefreshDevices();

    /// The device cache, in order of discovery; it only grows until Dispose.
    std::vector<std::shared_ptr<TSDevice>>& Cache();
    /// Set by Dispose: discovery is blocked until ReInitialize.
    bool& Disposed();

    /// Field index of the device's record; "" when the record cannot be read or lacks the field.
    std::string DeviceField(const std::string& deviceKey, int index);

    /// The cached devices of exactly class Glove among the first ActiveDevices() entries.
    template <typename Glove>
    std::vector<std::shared_ptr<Glove>> CachedGlovesOf()
    {
        const int n = DeviceList::ActiveDevices();
        const std::vector<std::shared_ptr<TSDevice>>& cache = Cache();
        std::vector<std::shared_ptr<Glove>> gloves;
        for (std::size_t i = 0; i < cache.size() && static_cast<int>(i) < n; ++i)
        {
            const TSDevice* raw = cache[i].get();
            if (raw != nullptr && typeid(*raw) == typeid(Glove))
                gloves.push_back(std::static_pointer_cast<Glove>(cache[i]));
        }
        return gloves;
    }
}
