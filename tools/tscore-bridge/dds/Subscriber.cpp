#include "dds/Subscriber.h"

#include "dds/Partition.h"

namespace TSCoreBridge::Dds
{
    Subscriber::Subscriber(const Participant& participant, const std::string& partition)
        : Entity(detail::CreateSubscriber(HandleOf(participant), partition),
                 "subscriber of partition \"" + partition + "\"")
    {
    }
}
