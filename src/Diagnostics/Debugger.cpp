#include "TSCore/Diagnostics/Debugger.h"

#include <cstdio>

namespace TSCore::Diagnostics
{
    DebugLevel Debugger::debugLevel = DebugLevel::Off;
    const DebugLevel Debugger::defaultLevel = DebugLevel::Off;

    void Debugger::Log(std::string message, DebugLevel level)
    {
        if (level > debugLevel)
            return;
        // One write per line keeps lines from several threads whole where stdio allows.
        message.push_back('\n');
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fflush(stdout);
    }
}
