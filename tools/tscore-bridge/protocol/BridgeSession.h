#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "BridgeTopics.h"
#include "dds/Participant.h"
#include "dds/Publisher.h"
#include "dds/Subscriber.h"

namespace TSCoreBridge
{
    /// How often --verbose prints the statistics, on either side.
    inline constexpr auto statsInterval = std::chrono::seconds(5);

    /// One side's membership of the bridge: the domain, the shared topics, and the writers'
    /// and readers' groups in the bridge's partition.
    struct BridgeSession
    {
        BridgeSession(std::uint32_t domain, const std::string& partition)
            : participant(domain), topics(participant), publisher(participant, partition),
              subscriber(participant, partition)
        {
        }

        Dds::Participant participant;
        BridgeTopics topics;
        Dds::Publisher publisher;
        Dds::Subscriber subscriber;
    };
}
