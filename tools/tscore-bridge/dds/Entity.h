#pragma once

// The thin layer over Cyclone DDS's C API: every entity is owned by exactly one object and
// deleted with it, so tool code never holds a raw handle. Creating an entity throws Error
// (bad configuration, no usable network interface, ...); using one reports by result.

#include <dds/dds.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace TSCoreBridge::Dds
{
    class Error : public std::runtime_error
    {
    public:
        explicit Error(const std::string& what, dds_return_t code = DDS_RETCODE_ERROR)
            : std::runtime_error(what), code(code)
        {
        }

        /// Cyclone's return code.
        dds_return_t Code() const noexcept { return code; }

    private:
        dds_return_t code;
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

    /// An entity that DDS Security's permissions may not grant: empty then; any other failure
    /// throws as usual.
    template <class E, class... Args>
    std::optional<E> IfAllowed(Args&&... args)
    {
        try
        {
            return std::optional<E>(std::in_place, std::forward<Args>(args)...);
        }
        catch (const Error& e)
        {
            if (e.Code() != DDS_RETCODE_NOT_ALLOWED_BY_SECURITY)
                throw;
            return std::nullopt;
        }
    }
}
