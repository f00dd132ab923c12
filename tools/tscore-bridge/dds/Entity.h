#pragma once

// The thin layer over Cyclone DDS's C API: every entity is owned by exactly one object and
// deleted with it, so tool code never holds a raw handle. Creating an entity throws Error
// (bad configuration, no usable network interface, ...); using one reports by result.

#include <dds/dds.h>

#include <stdexcept>
#include <string>

namespace TSCoreBridge::Dds
{
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    class Entity
    {
    public:
        Entity(const Entity&) = delete;
        Entity& operator=(const Entity&) = delete;
        Entity(Entity&& other) noexcept;
        Entity& operator=(Entity&& other) noexcept;
        // Deleting an entity deletes its children; deleting a child of an entity that is
        // already gone is harmless.
        ~Entity();

    protected:
        // Takes over the result of a create call; a negative result throws Error naming what.
        Entity(dds_entity_t created, const std::string& what);

        dds_entity_t Handle() const noexcept { return handle; }
        // Lets the classes of this layer reach the handle of another entity.
        static dds_entity_t HandleOf(const Entity& entity) noexcept { return entity.handle; }

    private:
        dds_entity_t handle = 0;
    };
}
