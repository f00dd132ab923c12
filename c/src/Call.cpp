#include "Call.h"

namespace tscore_c
{
    namespace
    {
        // The message of the latest failed call on this thread. When even the message cannot
        // be stored, a fixed one stands in.
        thread_local std::string lastError;
        thread_local const char* fixedError = nullptr;
    }

    thread_local const char* currentFunction = "tscore";

    tscore_status Fail(tscore_status status, const char* message, const char* detail) noexcept
    {
        try
        {
            lastError.assign(currentFunction);
            lastError.append(": ");
            lastError.append(message);
            lastError.append(detail);
            fixedError = nullptr;
        }
        catch (...)
        {
            lastError.clear();
            fixedError = "out of memory while recording an error";
        }
        return status;
    }

    tscore_status Succeed() noexcept
    {
        lastError.clear();
        fixedError = nullptr;
        return TSCORE_OK;
    }

    void NeedRoom(std::size_t count, std::size_t needed, const char* name)
    {
        if (count < needed)
            throw Failure{TSCORE_BUFFER_TOO_SMALL, std::string(name) + " holds " + std::to_string(count) +
                                                       " elements, " + std::to_string(needed) + " are needed"};
    }

    bool SideFlag(int value, const char* name)
    {
        if (value != 0 && value != 1)
            throw Failure{TSCORE_INVALID_ARGUMENT,
                          std::string(name) + " is 1 (right) or 0 (left), not " + std::to_string(value)};
        return value == 1;
    }
}

extern "C" const char* tscore_last_error(void)
{
    return tscore_c::fixedError != nullptr ? tscore_c::fixedError : tscore_c::lastError.c_str();
}
