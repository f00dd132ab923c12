#include "TSCore/Devices/DeviceModel.h"

#include <cstdint>
#include <utility>

#include "Devices/Firmware.h"

namespace TSCore
{
    DeviceModel::DeviceModel() : deviceID("N\\A"), hardwareVersion("N\\A"), firmwareVersion(0), subFirmwareVersion(0) {}

    DeviceModel::DeviceModel(std::string deviceID, std::string hardwareVersion, int firmwareVersion,
                             int subFirmwareVersion)
        : deviceID(std::move(deviceID)), hardwareVersion(std::move(hardwareVersion)), firmwareVersion(firmwareVersion),
          subFirmwareVersion(subFirmwareVersion)
    {
    }

    void DeviceModel::ParseFirmware(std::string& text, int& firmware, int& subFirmware)
    {
        const bool ok = detail::ReadFirmware(text, firmware, subFirmware);
        if (!text.empty() && text[0] == 'v')
            text.erase(0, 1);
        detail::ThrowOnRangeError(ok);
    }

    std::vector<bool> DeviceModel::ParseFunctions(int mask, int count)
    {
        std::vector<bool> flags;
        if (count < 1)
            return flags;
        flags.reserve(static_cast<std::size_t>(count));
        // The flag test reads (mask AND bit) as a signed 32-bit number: bit 31 comes out
        // negative and the doubling bit value runs out after 32 steps, so both read false.
        const auto bits = static_cast<std::uint32_t>(mask);
        for (int i = 0; i < count; ++i)
            flags.push_back(i < 31 && ((bits >> i) & 1u) != 0);
        return flags;
    }
}
