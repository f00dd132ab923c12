#pragma once

// What the publishing and the mirroring side agree on: topic names, their quality of
// service, limits and timings. Both sides check every sample against the limits; a peer on
// the network is not trusted.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "RecordText.h"
#include "dds/Qos.h"
#include "tscore_bridge/Bridge.h"

namespace TSCoreBridge::Protocol
{
    using namespace std::chrono_literals;

    // Not under "rt/", so ROS 2 tools leave them out of their topic lists.
    inline constexpr char deviceTopic[] = "tscore_bridge/device";
    inline constexpr char sensorTopic[] = "tscore_bridge/sensor";
    inline constexpr char serviceTopic[] = "tscore_bridge/service";
    inline constexpr char commandTopic[] = "tscore_bridge/command";
    inline constexpr char mirrorTopic[] = "tscore_bridge/mirror";
    inline constexpr char publisherStateTopic[] = "tscore_bridge/publisher_state";

    // A late-joining mirror receives every record at once.
    inline constexpr Dds::Qos deviceQos = Dds::Qos::ReliableLatest();
    // Only the newest text of a device matters; a lost one is replaced by the next.
    inline constexpr Dds::Qos sensorQos = Dds::Qos::BestEffortLatest();
    inline constexpr Dds::Qos heartbeatQos = Dds::Qos::Reliable(1);
    // Volatile: what a publisher that restarts gets is what the mirrors send it when they follow
    // it, the commands that stand on their machines then.
    inline constexpr Dds::Qos commandQos = Dds::Qos::Reliable(1);

    /// The highest DDS domain id. DDS has ports for ids up to 232 (7400 + 250 per domain, plus
    /// the participant's, within 65535), but the governance and permissions of DDS Security
    /// name 230 at most: one range, with security or without (make-security.sh grants it all).
    inline constexpr std::uint32_t maxDomain = 230;
    /// Device indices are below this; the mirror makes room for that many records and texts.
    inline constexpr std::uint32_t maxDevices = 256;
    /// Longest record, sensor text and command (the bounds of the IDL types).
    inline constexpr std::size_t maxRecord = 4096;
    inline constexpr std::size_t maxText = 4096;
    inline constexpr std::size_t maxCommand = 1024;
    /// Older than any stamp the library reads (an int of seconds): a publisher's stamp age beyond
    /// it is malformed.
    inline constexpr long long maxStampAge = 1LL << 40;

    inline constexpr auto serviceHeartbeat = 100ms;
    /// A mirror treats a publisher as gone after this long without its heartbeat.
    inline constexpr auto publisherTimeout = 1000ms;
    inline constexpr auto mirrorHeartbeat = 25ms;
    /// A publisher treats a mirror as gone after this long without its heartbeat, and stops
    /// the gloves it drove: well inside the 200 ms a wearer may be held by a stale command.
    inline constexpr auto mirrorTimeout = 150ms;

    // What a sample says within the limits above, before anything of it is used. Whether it
    // comes from the publisher followed, and in order, is for the receiving side to judge.
    inline bool Acceptable(const tscore_bridge_Service& sample) { return sample.deviceCount <= maxDevices; }

    /// An empty record: the glove machine's service lists no device at this index now.
    inline bool Acceptable(const tscore_bridge_Device& sample)
    {
        const std::string_view record(sample.record, strnlen(sample.record, sizeof sample.record));
        return sample.index < maxDevices && (record.empty() || TSCoreLink::WellFormed(record));
    }

    inline bool Acceptable(const tscore_bridge_Sensor& sample) { return sample.index < maxDevices; }

    inline bool Acceptable(const tscore_bridge_PublisherState& sample)
    {
        const auto& releases = sample.releases;
        if (releases._length > maxDevices || (releases._length > 0 && releases._buffer == nullptr) ||
            (sample.stamped && (sample.stampAge <= -maxStampAge || sample.stampAge >= maxStampAge)))
            return false;
        for (std::uint32_t i = 0; i < releases._length; ++i)
            if (releases._buffer[i].index >= maxDevices)
                return false;
        return true;
    }
}
