#pragma once

#include <dds/dds.h>

#include <string>

namespace TSCoreBridge::Dds::detail
{
    /// A publisher or subscriber of one partition (the empty name: DDS's default partition).
    dds_entity_t CreatePublisher(dds_entity_t participant, const std::string& partition);
    dds_entity_t CreateSubscriber(dds_entity_t participant, const std::string& partition);
}
