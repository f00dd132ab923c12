#include "dds/Participant.h"

#include <string>

namespace TSCoreBridge::Dds
{
    namespace
    {
        dds_entity_t Join(std::uint32_t domain)
        {
            const dds_entity_t participant = dds_create_participant(domain, nullptr, nullptr);
            if (participant < 0)
                throw Error("cannot join DDS domain " + std::to_string(domain) + " (" + dds_strretcode(participant) +
                            "; Cyclone DDS's own message above says why). With DDS Security, its governance and "
                            "permissions must grant the domain (make-security.sh grants 0 to 230); without it, "
                            "the network interface may be missing");
            return participant;
        }
    }

    Participant::Participant(std::uint32_t domain) : Entity(Join(domain), "participant") {}

    std::string Participant::SecurityIdentity() const
    {
        // The participant's own entry in the built-in topic carries the security settings that
        // the configuration gave it; its QoS does not.
        dds_instance_handle_t self = 0;
        if (dds_get_instance_handle(Handle(), &self) < 0)
            return {};
        const dds_entity_t reader = dds_create_reader(Handle(), DDS_BUILTIN_TOPIC_DCPSPARTICIPANT, nullptr, nullptr);
        if (reader < 0)
            return {};
        std::string identity;
        void* samples[1] = {};
        dds_sample_info_t infos[1];
        if (dds_read_instance(reader, samples, infos, 1, 1, self) == 1)
        {
            const auto* entry = static_cast<const dds_builtintopic_participant_t*>(samples[0]);
            char* value = nullptr;
            if (infos[0].valid_data && dds_qget_prop(entry->qos, "dds.sec.auth.identity_certificate", &value))
                identity = value;
            dds_free(value);
            dds_return_loan(reader, samples, 1);
        }
        dds_delete(reader);
        return identity;
    }
}
