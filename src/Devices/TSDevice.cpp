#include "TSCore/Devices/TSDevice.h"

#include "Devices/DeviceLink.h"
#include "Devices/Firmware.h"
#include "Diagnostics/Log.h"
#include "Util/NumberParse.h"

namespace TSCore
{
    namespace link = detail::DeviceLink;

    TSDevice::TSDevice() : deviceIndex(-1) { TSCORE_LOG(Verbose, "Tessara Constructor"); }

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
        const std::string field = link::DeviceField(deviceKey, 0);
        return !field.empty() && field[0] == '1';
    }

    // The record comes from another process: a number beyond the int range is as unreadable
    // as no number at all, and reads as the fallback.
    int TSDevice::PacketsPerSecond()
    {
        int value = 0;
        return Util::detail::ReadInt(link::DeviceField(deviceKey, 1), 0, value) ? value : 0;
    }

    std::string TSDevice::GetAddress() { return link::DeviceField(deviceKey, 4); }

    TSDevice::ConnectionType TSDevice::GetConnectionType()
    {
        int value = -1;
        return Util::detail::ReadInt(link::DeviceField(deviceKey, 5), -1, value) ? static_cast<ConnectionType>(value)
                                                                                 : ConnectionType::Unknown;
    }

    void TSDevice::ParseFirmware(std::string text, int& firmware, int& subFirmware)
    {
        detail::ThrowOnRangeError(detail::ReadFirmware(text, firmware, subFirmware));
    }
}
