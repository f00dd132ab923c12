#pragma once

#include <cstdint>

#include "dds/Entity.h"

namespace TSCoreBridge::Dds
{
    /// Membership of one DDS domain. Network interfaces, peers and security come from the
    /// Cyclone DDS configuration (CYCLONEDDS_URI).
    class Participant : public Entity
    {
    public:
        explicit Participant(std::uint32_t domain);
    };
}
