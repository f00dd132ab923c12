#pragma once

#include <string>

#include "dds/Entity.h"
#include "dds/Participant.h"

namespace TSCoreBridge::Dds
{
    /// The readers of one partition; they see only writers of the same partition.
    class Subscriber : public Entity
    {
    public:
        Subscriber(const Participant& participant, const std::string& partition);
    };
}
