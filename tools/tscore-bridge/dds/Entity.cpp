#include "dds/Entity.h"

#include <utility>

namespace TSCoreBridge::Dds
{
    Entity::Entity(dds_entity_t created, const std::string& what) : handle(created)
    {
        if (created == DDS_RETCODE_NOT_ALLOWED_BY_SECURITY)
            throw Error("cannot create the DDS " + what +
                            ": DDS Security does not allow it (the permissions must grant the topic; "
                            "make-security.sh makes ones that do)",
                        created);
        if (created < 0)
            throw Error("cannot create the DDS " + what + ": " + dds_strretcode(created), created);
    }

    Entity::Entity(Entity&& other) noexcept : handle(std::exchange(other.handle, 0)) {}

    Entity& Entity::operator=(Entity&& other) noexcept
    {
        if (this != &other)
        {
            if (handle > 0)
                dds_delete(handle);
            handle = std::exchange(other.handle, 0);
        }
        return *this;
    }

    Entity::~Entity()
    {
        if (handle > 0)
            dds_delete(handle);
    }
}
