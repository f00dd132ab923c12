#pragma once

#include <cstdint>
#include <string>

#include "dds/Entity.h"

namespace TSCoreBridge::Dds
{
    /// Membership of one DDS domain. Network interfaces, peers and security come from the
    /// Cyclone DDS configuration (CYCLONEDDS_URI).
    class Participant : public Entity
    {
    public:
        explicit Participant(std::uint32_t domain);

        /// The identity certificate that its DDS Security configuration names; empty when it
        /// runs without DDS Security.
        std::string SecurityIdentity() const;
    };
}
