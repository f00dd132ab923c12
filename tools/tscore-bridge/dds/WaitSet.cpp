#include "dds/WaitSet.h"

namespace TSCoreBridge::Dds
{
    WaitSet::WaitSet(const Participant& participant) : Entity(dds_create_waitset(HandleOf(participant)), "wait set") {}

    void WaitSet::Attach(ReaderBase& reader)
    {
        const dds_return_t result = dds_waitset_attach(Handle(), reader.Condition(), 0);
        if (result < 0)
            throw Error(std::string("cannot attach a DDS reader to a wait set: ") + dds_strretcode(result));
    }

    void WaitSet::Wait(std::chrono::nanoseconds timeout) noexcept
    {
        dds_waitset_wait(Handle(), nullptr, 0, static_cast<dds_duration_t>(timeout.count()));
    }
}
