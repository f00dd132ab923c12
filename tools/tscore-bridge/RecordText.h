#pragma once

// Device records as the connection service writes them: fields separated by '@', at least
// six (connection state, packets per second, type, constants, address, connection type).

#include <string>
#include <string_view>
#include <vector>

namespace TSCoreBridge::RecordText
{
    /// The full records of the given device keys, read from "Devices" in one mapping; an empty
    /// text where a record cannot be read. The library's API gives a device's fields, not the
    /// record itself, so this goes through its internal reader, as `tscore record` does.
    void ReadAll(const std::vector<std::string>& keys, std::vector<std::string>& out);

    /// Type and constants: what makes the record name one particular device.
    std::string_view Identity(std::string_view record);
    /// The state field begins with '1'.
    bool Connected(std::string_view record);
    /// At least six fields, so that the library would parse it.
    bool WellFormed(std::string_view record);
}
