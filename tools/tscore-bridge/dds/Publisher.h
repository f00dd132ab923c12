#pragma once

#include <string>

#include "dds/Entity.h"
#include "dds/Participant.h"

namespace TSCoreBridge::Dds
{
    /// The writers of one partition; the empty partition is DDS's default one, which ROS 2 uses.
    class Publisher : public Entity
    {
    public:
        Publisher(const Participant& participant, const std::string& partition);
    };
}
