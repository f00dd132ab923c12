#pragma once

// The device record as the connection service writes it: fields separated by '@' (connection
// state, packets per second, type, "{constants}", address, connection type), the constants
// separated by ':'. The simulator builds records and reads them back (raw ones given on the
// command line, replayed ones) to know how to decode a device's commands; a mirror checks the
// records it receives from the network.

#include <string>
#include <string_view>
#include <vector>

namespace TSCoreLink
{
    // Device kinds as they stand in the record's type field.
    enum class DeviceKind
    {
        Beta = -1,
        Tessara = 0,
        Kelvo = 2,
        Other = -100
    };

    // Splits at every delimiter; empty fields are kept, an empty text gives one empty field.
    std::vector<std::string> SplitFields(const std::string& text, char delim);

    std::string JoinFields(const std::vector<std::string>& fields, char delim);

    // Replaces field `index` when the record has it; a shorter record is returned unchanged.
    std::string ReplaceField(const std::string& record, std::size_t index, const std::string& value);

    // Integer with leading blanks skipped and trailing text ignored; `fallback` when
    // there is no number or it does not fit an int.
    int ParseLeadingInt(const std::string& text, int fallback);

    std::string BuildRecord(char state, int pps, DeviceKind kind, const std::string& constants,
                            const std::string& address, int connectionType);

    // Kind named by field 2 of a record; Other for an unknown or missing type.
    DeviceKind KindOfRecord(const std::string& record);

    // Firmware main and sub version from field 3 of a record's constants string
    // ("v4.7" gives 4 and 7); 0 for what is missing.
    void FirmwareOfRecord(const std::string& record, int& firmware, int& subFirmware);

    const char* KindName(DeviceKind kind);

    // At least the six fields, so that the library would parse it.
    bool WellFormed(std::string_view record);

    // Whether the state field says connected ("1").
    bool SaysConnected(std::string_view record);
}
