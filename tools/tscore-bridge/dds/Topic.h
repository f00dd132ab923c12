#pragma once

#include <string>

#include "dds/Entity.h"
#include "dds/Participant.h"
#include "dds/Type.h"

namespace TSCoreBridge::Dds
{
    template <class T>
    class Topic : public Entity
    {
    public:
        Topic(const Participant& participant, const std::string& name)
            : Entity(dds_create_topic(HandleOf(participant), &Type<T>::Descriptor(), name.c_str(), nullptr, nullptr),
                     "topic \"" + name + "\""),
              name(name)
        {
        }

        const std::string& Name() const { return name; }

    private:
        std::string name;
    };
}
