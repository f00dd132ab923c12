#pragma once

#include <optional>

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
              mirror(participant, Protocol::mirrorTopic),
              publisherState(
                  Dds::IfAllowed<Dds::Topic<tscore_bridge_PublisherState>>(participant, Protocol::publisherStateTopic))
        {
        }

        Dds::Topic<tscore_bridge_Device> device;
        Dds::Topic<tscore_bridge_Sensor> sensor;
        Dds::Topic<tscore_bridge_Service> service;
        Dds::Topic<tscore_bridge_Command> command;
        Dds::Topic<tscore_bridge_Mirror> mirror;
        /// Empty where DDS Security's permissions, made before there was this topic, do not grant it.
        std::optional<Dds::Topic<tscore_bridge_PublisherState>> publisherState;
    };
}
