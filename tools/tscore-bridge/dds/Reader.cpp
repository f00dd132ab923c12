#include "dds/Reader.h"

namespace TSCoreBridge::Dds
{
    std::uint64_t ReaderBase::ParticipantOf(dds_instance_handle_t publication)
    {
        const auto known = participants.find(publication);
        if (known != participants.end())
            return known->second;
        dds_builtintopic_endpoint_t* endpoint = dds_get_matched_publication_data(Handle(), publication);
        if (endpoint == nullptr)
            return 0;
        const std::uint64_t participant = endpoint->participant_instance_handle;
        dds_builtintopic_free_endpoint(endpoint);
        // Writers come and go with the processes on the network; forget them all now and then
        // rather than grow without bound.
        if (participants.size() >= 1024)
            participants.clear();
        participants.emplace(publication, participant);
        return participant;
    }

    void ReaderBase::ReturnLoan(void** samples, std::int32_t count) noexcept
    {
        dds_return_loan(Handle(), samples, count);
    }

    dds_entity_t ReaderBase::Condition()
    {
        if (condition <= 0)
        {
            condition = dds_create_readcondition(Handle(), DDS_ANY_STATE);
            if (condition < 0)
                throw Error(std::string("cannot create a DDS read condition: ") + dds_strretcode(condition));
        }
        return condition;
    }
}
