#pragma once

// Device records as the connection service writes them: fields separated by '@', at least
// six (connection state, packets per second, type, constants, address, connection type).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace TSCoreBridge::RecordText
{
    /// What the service announces in "Devices" now, read in one mapping.
    struct Announcement
    {
        bool mapped = false; ///< "Devices" is there
        std::string stamp;   ///< "scanActive"; empty when it cannot be read
        std::string count;   ///< "nDevices"; empty when it cannot be read
        /// The record of every device below the count (at most `limit` of them); an empty text
        /// where a record cannot be read.
        std::vector<std::string> records;
    };

    /// The library's API gives a device's fields, not the record itself, so this goes through
    /// its internal reader, as `tscore record` does.
    void ReadAnnouncement(std::uint32_t limit, Announcement& out);
    /// The leading decimal number of a text as the library reads "nDevices" and "scanActive";
    /// false without one.
    bool LeadingNumber(const std::string& text, long long& out);

    /// Type and constants: what makes the record name one particular device.
    std::string_view Identity(std::string_view record);
    /// The state field begins with '1'.
    bool Connected(std::string_view record);
    /// At least six fields, so that the library would parse it.
    bool WellFormed(std::string_view record);
}
