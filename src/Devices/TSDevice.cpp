#include "TSCore/Devices/TSDevice.h"

#include <stdexcept>

#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Devices/DeviceModel.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/StrStuff.h"

namespace TSCore
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::StrStuff;

    TSDevice::TSDevice() : deviceIndex(-1)
    {
        Debugger::Log("Tessara Constructor", DebugLevel::Verbose);
    }

    TSDevice::TSDevice(const TSDevice& other) = default;
    TSDevice& TSDevice::operator=(const TSDevice& other) = default;

    DeviceType TSDevice::GetDeviceType() { return DeviceType::Unknown; }

    int TSDevice::GetSubFirmwareVersion() { return 0; }

    std::string TSDevice::GetFirmwareString()
    {
        return std::to_string(GetFirmwareVersion()) + "." + std::to_string(GetSubFirmwareVersion());
    }

    std::string TSDevice::ToString()
    {
        return "TSDevice " + GetDeviceID() + " with index " + std::to_string(deviceIndex);
    }

    void TSDevice::SetDeviceIndex(int index)
    {
        deviceIndex = index;
        deviceKey = "device" + std::to_string(index);
    }

    bool TSDevice::IsConnected()
    {
        const std::string field = DeviceList::GetDeviceField(deviceKey, 0);
        return !field.empty() && field[0] == '1';
    }

    int TSDevice::PacketsPerSecond()
    {
        // The record comes from another process: a number beyond the int range is as
        // unreadable as no number at all, and must not throw to the application.
        try
        {
            return StrStuff::ToInt(DeviceList::GetDeviceField(deviceKey, 1), 0);
        }
        catch (const std::out_of_range&)
        {
            return 0;
        }
    }

    std::string TSDevice::GetAddress() { return DeviceList::GetDeviceField(deviceKey, 4); }

    TSDevice::ConnectionType TSDevice::GetConnectionType()
    {
        try
        {
            return static_cast<ConnectionType>(StrStuff::ToInt(DeviceList::GetDeviceField(deviceKey, 5), -1));
        }
        catch (const std::out_of_range&)
        {
            return ConnectionType::Unknown;
        }
    }

    void TSDevice::ParseFirmware(std::string text, int& firmware, int& subFirmware)
    {
        DeviceModel::ParseFirmware(text, firmware, subFirmware);
    }
}
