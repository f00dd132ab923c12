#include "dds/Participant.h"

#include <string>

namespace TSCoreBridge::Dds
{
    Participant::Participant(std::uint32_t domain)
        : Entity(dds_create_participant(domain, nullptr, nullptr), "participant on domain " + std::to_string(domain))
    {
    }
}
