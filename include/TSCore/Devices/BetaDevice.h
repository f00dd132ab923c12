#pragma once

#include <memory>
#include <string>

#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Export.h"

namespace TSCore
{
    /// Development hardware whose texts pass through unchanged: the constants text it was
    /// announced with, its raw sensor text, and raw command texts.
    class TSCORE_API BetaDevice final : public TSDevice
    {
    public:
        /// Empty constants, "N\A" identity and hardware, versions 0.
        BetaDevice();
        BetaDevice(std::string constantsString, std::string deviceID, std::string hardwareVersion, int firmwareVersion,
                   int subFirmwareVersion);
        BetaDevice(const BetaDevice& other) = default;
        BetaDevice& operator=(const BetaDevice& other) = default;
        ~BetaDevice() = default;

        DeviceType GetDeviceType() override;
        std::string GetDeviceID() override;
        std::string GetHardwareVersion() override;
        int GetFirmwareVersion() override;
        int GetSubFirmwareVersion() override;
        /// "Beta Device " + ID.
        std::string ToString() override;

        std::string GetConstantsString();
        /// The device's raw sensor text; "" when it cannot be read.
        std::string GetSensorData();
        /// Writes command unchanged as the device's command text.
        bool SendHaptics(std::string command);
        /// Always "": a beta device remembers no command.
        std::string GetLastCmd();

        /// "ID:HW:vX.Y" with any part missing; accepts every text, the empty one included, except
        /// one whose firmware numbers lie beyond the int range (logged, empty pointer).
        static std::shared_ptr<TSDevice> Parse(std::string constants);

    protected:
        std::string constantsString;
        std::string deviceID;
        std::string hardwareVersion;
        int firmwareVersion;
        int subFirmwareVersion;
    };
}
