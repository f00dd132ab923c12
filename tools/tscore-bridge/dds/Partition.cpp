#include "dds/Partition.h"

namespace TSCoreBridge::Dds::detail
{
    namespace
    {
        template <class Create>
        dds_entity_t WithPartition(dds_entity_t participant, const std::string& partition, Create create)
        {
            dds_qos_t* qos = dds_create_qos();
            if (!partition.empty())
                dds_qset_partition1(qos, partition.c_str());
            const dds_entity_t entity = create(participant, qos, nullptr);
            dds_delete_qos(qos);
            return entity;
        }
    }

    dds_entity_t CreatePublisher(dds_entity_t participant, const std::string& partition)
    {
        return WithPartition(participant, partition, dds_create_publisher);
    }

    dds_entity_t CreateSubscriber(dds_entity_t participant, const std::string& partition)
    {
        return WithPartition(participant, partition, dds_create_subscriber);
    }
}
