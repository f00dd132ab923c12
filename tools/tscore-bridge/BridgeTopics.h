#pragma once

#include "Protocol.h"
#include "Types.h"
#include "dds/Participant.h"
#include "dds/Topic.h"

namespace TSCoreBridge
{
    /// The topics that publishers and mirrors share.
    struct BridgeTopics
    {
        explicit BridgeTopics(const Dds::Participant& participant)
            : device(participant, Protocol::deviceTopic), sensor(participant, Protocol::sensorTopic),
              service(participant, Protocol::serviceTopic), command(participant, Protocol::commandTopic),
              mirror(participant, Protocol::mirrorTopic)
        {
        }

        Dds::Topic<tscore_bridge_Device> device;
        Dds::Topic<tscore_bridge_Sensor> sensor;
        Dds::Topic<tscore_bridge_Service> service;
        Dds::Topic<tscore_bridge_Command> command;
        Dds::Topic<tscore_bridge_Mirror> mirror;
    };
}
