#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"

namespace TSCore
{
    /// Identity and firmware of a device as a plain value, for applications that keep such
    /// records. The device classes keep their own identity fields; its firmware parsing is the
    /// one every device kind uses.
    class TSCORE_API DeviceModel
    {
    public:
        std::string deviceID;
        std::string hardwareVersion;
        int firmwareVersion;
        int subFirmwareVersion;

        /// "N\A" identity and hardware, versions 0.
        DeviceModel();
        DeviceModel(std::string deviceID, std::string hardwareVersion, int firmwareVersion, int subFirmwareVersion);

        std::string GetDeviceID() const { return deviceID; }
        std::string GetHardwareVersion() const { return hardwareVersion; }
        int GetFirmwareVersion() const { return firmwareVersion; }
        int GetSubFirmwareVersion() const { return subFirmwareVersion; }

        /// As TSDevice::ParseFirmware; text loses its leading 'v'.
        static void ParseFirmware(std::string& text, int& firmware, int& subFirmware);

        /// The first count bits of mask as flags, bit 0 first. Bit 31 and every flag from
        /// index 32 on read false; count below 1 gives an empty list.
        static std::vector<bool> ParseFunctions(int mask, int count);
    };
}
