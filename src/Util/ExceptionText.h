#pragma once

#include <exception>
#include <string>

namespace TSCore::Util::detail
{
    /// The text logged for a caught exception: its own message, or "Unknown exception"
    /// when it has none.
    inline std::string ExceptionText(const std::exception& e)
    {
        const char* what = e.what();
        return what != nullptr && what[0] != '\0' ? std::string(what) : std::string("Unknown exception");
    }
}
