#include "TSCore/Devices/BetaDevice.h"

#include <utility>

#include "Devices/Firmware.h"
#include "Diagnostics/Log.h"
#include "TSCore/Devices/DeviceList.h"
#include "Util/FieldReader.h"
#include "Util/Guard.h"

namespace TSCore
{
    BetaDevice::BetaDevice() : deviceID("N\\A"), hardwareVersion("N\\A"), firmwareVersion(0), subFirmwareVersion(0) {}

    BetaDevice::BetaDevice(std::string constantsString, std::string deviceID, std::string hardwareVersion,
                           int firmwareVersion, int subFirmwareVersion)
        : constantsString(std::move(constantsString)), deviceID(std::move(deviceID)),
          hardwareVersion(std::move(hardwareVersion)), firmwareVersion(firmwareVersion),
          subFirmwareVersion(subFirmwareVersion)
    {
    }

    DeviceType BetaDevice::GetDeviceType() { return DeviceType::BetaDevice; }
    std::string BetaDevice::GetDeviceID() { return deviceID; }
    std::string BetaDevice::GetHardwareVersion() { return hardwareVersion; }
    int BetaDevice::GetFirmwareVersion() { return firmwareVersion; }
    int BetaDevice::GetSubFirmwareVersion() { return subFirmwareVersion; }
    std::string BetaDevice::ToString() { return "Beta Device " + GetDeviceID(); }
    std::string BetaDevice::GetConstantsString() { return constantsString; }

    std::string BetaDevice::GetSensorData()
    {
        std::string text;
        DeviceList::GetSensorDataString(deviceKey, text);
        return text;
    }

    bool BetaDevice::SendHaptics(std::string command) { return DeviceList::SendHaptics(deviceKey, std::move(command)); }

    std::string BetaDevice::GetLastCmd() { return std::string(); }

    std::shared_ptr<TSDevice> BetaDevice::Parse(std::string constants)
    {
        const auto rejected = [&constants](const std::string& why) -> std::shared_ptr<TSDevice>
        {
            TSCORE_LOG(Verbose, "Error while deserializing " + constants + ": " + why);
            return nullptr;
        };
        return Util::detail::Guard(
            [&]() -> std::shared_ptr<TSDevice>
            {
                // Every text is accepted, the empty one included; only firmware numbers beyond
                // the int range are not.
                const auto parts = Util::detail::FieldReader::Split(constants, ':');
                int firmware = 0;
                int subFirmware = 0;
                if (!detail::ReadFirmware(parts.View(2), firmware, subFirmware))
                    return rejected(Util::detail::intRangeError);
                return std::make_shared<BetaDevice>(constants, parts.Count() >= 1 ? parts.Text(0) : "N\\A",
                                                    parts.Count() >= 2 ? parts.Text(1) : "N\\A", firmware, subFirmware);
            },
            rejected);
    }
}
