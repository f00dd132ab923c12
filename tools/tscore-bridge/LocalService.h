#pragma once

// The connection service on the glove machine as it announces itself now: whether it runs
// (the age of its time stamp), "nDevices", every record below it, and the sensor texts. The
// library's device objects, whose cache only grows, serve the poses and the haptics of the
// devices that are announced now; a service that restarted is discovered anew.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>

#include "RecordText.h"
#include "SensorTexts.h"

namespace TSCoreBridge
{
    class LocalService
    {
    public:
        enum class Condition
        {
            Running, ///< its time stamp is less than 3 s old
            Stale,   ///< not updated for 3 s or more
            Stopped, ///< no segments, no readable stamp, or one 10 s old or more
        };

        struct Device
        {
            std::uint32_t index = 0;
            std::string key;
            /// The library's object; empty when the library takes no device from the record.
            std::shared_ptr<TSCore::TSDevice> device;
            TSCore::HapticGlove* glove = nullptr; ///< the same object when it is a glove
            std::string record;                   ///< the full record as announced
            bool recordChanged = false;           ///< since the last Refresh
            std::string text;                     ///< the latest sensor text read
            bool textRead = false;
            /// Wall-clock time at which the latest text was first read.
            std::chrono::system_clock::time_point textSeen;
        };

        /// Reads what the service announces now. A service that restarted (its segments made
        /// anew, its stamp fresh again after it was not, a record that names another device
        /// under a known index) or that announces fewer devices is discovered anew.
        void Refresh();
        /// Reads the device's sensor text (empty when it cannot be read); true when it differs
        /// from the one read before.
        bool ReadText(Device& device);

        Condition State() const;
        /// Seconds since the service's time stamp, at the latest Refresh; empty without one.
        std::optional<long long> StampAge() const { return stampAge; }
        /// "nDevices" as the service announces it now (at most the protocol's limit); 0 when
        /// its segments are gone.
        std::uint32_t Count() const { return count; }
        /// The devices below the count that have a record, by index.
        std::vector<Device>& Devices() { return devices; }
        /// An announced device that the library knows.
        Device* Find(std::uint32_t index);
        /// The first connected glove of a side, as the library's own discovery picks it.
        Device* GloveFor(bool right);

    private:
        bool Restarted(const RecordText::Announcement& announced);
        void Rediscover();
        bool Apply(const std::vector<std::string>& records);
        Device* Entry(std::uint32_t index);

        std::vector<Device> devices;
        SensorTexts texts;
        std::string text;
        std::optional<long long> stampAge;
        std::uint32_t count = 0;
        // One past the highest index in the library's cache.
        std::uint32_t cached = 0;
        std::uint64_t segmentFile = 0;
        bool wasRunning = false;
    };
}
