#include "TSCore/Devices/BetaDevice.h"

#include <exception>
#include <utility>
#include <vector>

#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Devices/DeviceModel.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"

namespace TSCore
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::StrStuff;

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
        try
        {
            const std::vector<std::string> parts = StrStuff::Split(constants, ':');
            std::string id = parts.size() >= 1 ? parts[0] : "N\\A";
            std::string hardware = parts.size() >= 2 ? parts[1] : "N\\A";
            std::string firmwareText = parts.size() >= 3 ? parts[2] : std::string();
            int firmware = 0;
            int subFirmware = 0;
            DeviceModel::ParseFirmware(firmwareText, firmware, subFirmware);
            return std::make_shared<BetaDevice>(constants, std::move(id), std::move(hardware), firmware, subFirmware);
        }
        catch (const std::exception& e)
        {
            if (Debugger::Enabled(DebugLevel::Verbose))
                Debugger::Log("Error while deserializing " + constants + ": " + Util::detail::ExceptionText(e),
                              DebugLevel::Verbose);
            return nullptr;
        }
    }
}
