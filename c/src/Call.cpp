#include "Call.h"

namespace tscore_c
{
    ErrorState& ThreadErrors() noexcept
    {
        thread_local ErrorState errors;
        return errors;
    }

    tscore_status Fail(tscore_status status, const char* message, const char* detail) noexcept
    {
        ErrorState& errors = ThreadErrors();
        try
        {
            errors.text.assign(errors.function);
            errors.text.append(": ");
            errors.text.append(message);
            errors.text.append(detail);
            errors.fixed = nullptr;
        }
        catch (...)
        {
            errors.text.clear();
            errors.fixed = "out of memory while recording an error";
        }
        return status;
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
    const tscore_c::ErrorState& errors = tscore_c::ThreadErrors();
    return errors.fixed != nullptr ? errors.fixed : errors.text.c_str();
}
