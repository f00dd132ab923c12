#include "dds/Qos.h"

#include <memory>

namespace TSCoreBridge::Dds::detail
{
    namespace
    {
        struct QosDeleter
        {
            void operator()(dds_qos_t* qos) const { dds_delete_qos(qos); }
        };
        using QosPointer = std::unique_ptr<dds_qos_t, QosDeleter>;

        QosPointer Make(const Qos& settings)
        {
            QosPointer qos(dds_create_qos());
            dds_qset_reliability(qos.get(), settings.reliable ? DDS_RELIABILITY_RELIABLE : DDS_RELIABILITY_BEST_EFFORT,
                                 DDS_MSECS(100));
            dds_qset_durability(qos.get(),
                                settings.transientLocal ? DDS_DURABILITY_TRANSIENT_LOCAL : DDS_DURABILITY_VOLATILE);
            dds_qset_history(qos.get(), DDS_HISTORY_KEEP_LAST, settings.depth);
            return qos;
        }
    }

    dds_entity_t CreateWriter(dds_entity_t publisher, dds_entity_t topic, const Qos& qos)
    {
        return dds_create_writer(publisher, topic, Make(qos).get(), nullptr);
    }

    dds_entity_t CreateReader(dds_entity_t subscriber, dds_entity_t topic, const Qos& qos)
    {
        return dds_create_reader(subscriber, topic, Make(qos).get(), nullptr);
    }
}
