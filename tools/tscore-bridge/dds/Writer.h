#pragma once

#include "dds/Entity.h"
#include "dds/Publisher.h"
#include "dds/Qos.h"
#include "dds/Topic.h"

namespace TSCoreBridge::Dds
{
    template <class T>
    class Writer : public Entity
    {
    public:
        Writer(const Publisher& publisher, const Topic<T>& topic, const Qos& qos)
            : Entity(detail::CreateWriter(HandleOf(publisher), HandleOf(topic), qos),
                     "writer of \"" + topic.Name() + "\"")
        {
        }

        /// False when DDS refused the sample (for instance a text beyond its bound).
        bool Write(const T& sample) noexcept { return dds_write(Handle(), &sample) >= 0; }
    };
}
