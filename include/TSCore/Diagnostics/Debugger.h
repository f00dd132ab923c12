#pragma once

#include <string>

#include "TSCore/Diagnostics/DebugLevel.h"
#include "TSCore/Export.h"

namespace TSCore::Diagnostics
{
    /// The process-wide logger: one threshold, messages on standard output.
    class TSCORE_API Debugger
    {
    public:
        /// Threshold: a message is printed when its level is at most this. Starts at Off.
        static DebugLevel debugLevel;
        static const DebugLevel defaultLevel;

        /// Writes message and a newline to standard output, flushed, when level <= debugLevel.
        static void Log(std::string message, DebugLevel level);

        /// True when a message of this level would be printed; lets callers skip building it.
        static bool Enabled(DebugLevel level) noexcept { return level <= debugLevel; }
    };
}
