#pragma once

// Device records as the connection service writes them: fields separated by '@', at least
// six (connection state, packets per second, type, constants, address, connection type).

#include <string_view>

namespace TSCoreBridge::RecordText
{
    /// At least six fields, so that the library would parse it.
    bool WellFormed(std::string_view record);
}
