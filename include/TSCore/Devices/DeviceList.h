#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TSCore/Export.h"

namespace TSCore
{
    class TSDevice;

    /// The link to the connection service: the one place that reads and writes its shared
    /// memory. Every call opens the segment anew and closes it before returning. Discovered
    /// devices are cached for the life of the process (or until Dispose); the cache is not
    /// guarded, so callers must not use it from several threads at once.
    class TSCORE_API DeviceList
    {
    public:
        /// Refreshes the cache, then returns the number of cached devices.
        static int ActiveDevices();
        /// Refreshes the cache, then returns the cached devices (shared, not copied).
        static std::vector<std::shared_ptr<TSDevice>> GetDevices();
        /// The latest sensor string of a device; false and "" when it cannot be read.
        static bool GetSensorDataString(std::string deviceKey, std::string& out);
        /// Writes a device's haptic command string, creating "Haptics" when needed.
        static bool SendHaptics(std::string deviceKey, std::string command);
        /// True while the service's time stamp is less than 10 seconds old.
        static bool TessLinkRunning();
        /// Releases every cached device and blocks discovery until ReInitialize.
        static void Dispose();
        /// Lifts the block of Dispose; the next refresh rediscovers every device.
        static void ReInitialize();

        /// Size with which the library creates "Haptics" when the service has not.
        static constexpr int hapticsSegmentSize = 4096;
    };
}
