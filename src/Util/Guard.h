#pragma once

// The one boundary where a standard exception still meets the library's results. Malformed and
// out-of-range numbers are results inside the library; what can still throw on these paths is
// the allocation of the values being built. Every reader of outside text documents that it
// answers any standard exception with a logged fallback instead of throwing to the application.

#include <exception>
#include <string>

#include "Util/ExceptionText.h"

namespace TSCore::Util::detail
{
    /// body(), or onFailure(text of the exception) when body throws a standard exception.
    template <typename Body, typename OnFailure>
    auto Guard(Body&& body, OnFailure&& onFailure) -> decltype(body())
    {
        try
        {
            return body();
        }
        catch (const std::exception& e)
        {
            return onFailure(ExceptionText(e));
        }
    }
}
