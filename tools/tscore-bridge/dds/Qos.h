#pragma once

// The few quality-of-service settings the bridge uses, as plain values; the layer turns them
// into Cyclone's QoS objects when it creates a reader or writer.

#include <dds/dds.h>

#include <cstdint>

namespace TSCoreBridge::Dds
{
    struct Qos
    {
        bool reliable = true;
        // A late-joining reader receives the latest sample of every instance.
        bool transientLocal = false;
        // Samples kept per instance.
        std::int32_t depth = 1;

        static constexpr Qos Reliable(std::int32_t depth) { return {true, false, depth}; }
        static constexpr Qos ReliableLatest() { return {true, true, 1}; }
        static constexpr Qos BestEffortLatest() { return {false, false, 1}; }
    };

    namespace detail
    {
        dds_entity_t CreateWriter(dds_entity_t publisher, dds_entity_t topic, const Qos& qos);
        dds_entity_t CreateReader(dds_entity_t subscriber, dds_entity_t topic, const Qos& qos);
    }
}
