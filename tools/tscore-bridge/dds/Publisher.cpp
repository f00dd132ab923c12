#include "dds/Publisher.h"

#include "dds/Partition.h"

namespace TSCoreBridge::Dds
{
    Publisher::Publisher(const Participant& participant, const std::string& partition)
        : Entity(detail::CreatePublisher(HandleOf(participant), partition),
                 "publisher of partition \"" + partition + "\"")
    {
    }
}
