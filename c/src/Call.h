#pragma once

// What every entry point does around its body: no exception leaves it, every failure becomes
// a status with a message that names the function, and a success clears the message.

#include <cstddef>
#include <exception>
#include <new>
#include <string>

#include "tscore_c.h"

namespace tscore_c
{
    /// A failed check, thrown inside an entry point and turned into its status by Call.
    struct Failure
    {
        tscore_status status;
        std::string message;
    };

    /// This thread's error: the entry point running, which every message names, and the message
    /// of the latest failed call (or a fixed one when even that could not be stored).
    struct ErrorState
    {
        const char* function = "tscore";
        const char* fixed = nullptr;
        std::string text;
    };
    /// One look-up of thread-local storage, which a call on the frame-rate path makes once.
    ErrorState& ThreadErrors() noexcept;

    /// Records the message of a failed call on this thread; never throws.
    tscore_status Fail(tscore_status status, const char* message, const char* detail = "") noexcept;
    /// A successful call; Call then makes the thread's message "".
    inline tscore_status Succeed() noexcept { return TSCORE_OK; }
    /// The message becomes "" after a successful call.
    inline tscore_status Cleared(ErrorState& errors, tscore_status status) noexcept
    {
        if (status == TSCORE_OK)
        {
            errors.text.clear();
            errors.fixed = nullptr;
        }
        return status;
    }

    /// Runs body, which returns TSCORE_OK (through Succeed) or an answer (through Fail), or
    /// throws a Failure; anything else it throws becomes TSCORE_OUT_OF_MEMORY or
    /// TSCORE_INTERNAL_ERROR.
    template <class Body>
    tscore_status Call(const char* function, Body&& body) noexcept
    {
        ErrorState& errors = ThreadErrors();
        errors.function = function;
        try
        {
            return Cleared(errors, body());
        }
        catch (const Failure& failure)
        {
            return Fail(failure.status, failure.message.c_str());
        }
        catch (const std::bad_alloc&)
        {
            return Fail(TSCORE_OUT_OF_MEMORY, "out of memory");
        }
        catch (const std::exception& e)
        {
            return Fail(TSCORE_INTERNAL_ERROR, "the library failed: ", e.what());
        }
        catch (...)
        {
            return Fail(TSCORE_INTERNAL_ERROR, "the library failed with an unknown exception");
        }
    }

    /// Throws TSCORE_NULL_ARGUMENT naming the argument when pointer is NULL.
    template <class T>
    T* NotNull(T* pointer, const char* name)
    {
        if (pointer == nullptr)
            throw Failure{TSCORE_NULL_ARGUMENT, std::string(name) + " is NULL"};
        return pointer;
    }

    /// Throws TSCORE_BUFFER_TOO_SMALL unless count elements hold needed ones.
    void NeedRoom(std::size_t count, std::size_t needed, const char* name);
    /// A 0/1 side argument; TSCORE_INVALID_ARGUMENT otherwise.
    bool SideFlag(int value, const char* name);
}
