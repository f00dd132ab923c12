#pragma once

#include <chrono>

#include "dds/Entity.h"
#include "dds/Participant.h"
#include "dds/Reader.h"

namespace TSCoreBridge::Dds
{
    /// Blocks until one of the attached readers holds samples, or a timeout.
    class WaitSet : public Entity
    {
    public:
        explicit WaitSet(const Participant& participant);

        void Attach(ReaderBase& reader);
        void Wait(std::chrono::nanoseconds timeout) noexcept;
    };
}
