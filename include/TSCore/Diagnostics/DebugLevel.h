#pragma once

namespace TSCore::Diagnostics
{
    /// Verbosity of a log message, and the threshold that decides what is printed.
    enum class DebugLevel : int
    {
        Off = 0,
        Errors = 1,
        Warnings = 2,
        Verbose = 3,
    };
}
