#include <iostream>
#include <memory>
#include <string>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "Select.h"
#include "Table.h"

namespace TSCoreCli
{
    using TSCore::DeviceList;
    using TSCore::HapticGlove;
    using TSCore::TSDevice;

    namespace
    {
        std::string ConnectionName(TSDevice::ConnectionType type)
        {
            switch (type)
            {
            case TSDevice::ConnectionType::Unknown:
                return "unknown";
            case TSDevice::ConnectionType::Serial:
                return "serial";
            case TSDevice::ConnectionType::Bluetooth:
                return "bluetooth";
            case TSDevice::ConnectionType::Usb:
                return "usb";
            case TSDevice::ConnectionType::Wireless:
                return "wireless";
            }
            return std::to_string(static_cast<int>(type)); // a number the library gives no name
        }

        int RunList()
        {
            const bool running = DeviceList::TessLinkRunning();
            std::cout << "Connection service: " << (running ? "running" : "not running") << "\n";

            Table table({"index", "key", "kind", "ID", "hardware", "firmware", "side", "connected", "pps", "address",
                         "connection"});
            int gloveIndex = 0;
            const auto devices = DeviceList::GetDevices();
            for (const auto& device : devices)
            {
                // The index column is what --device takes: the position among the gloves.
                auto glove = std::dynamic_pointer_cast<HapticGlove>(device);
                const TSCore::DeviceType type = device->GetDeviceType();
                const bool isGlove = glove && (type == TSCore::DeviceType::Tessara || type == TSCore::DeviceType::Kelvo);
                table.AddRow({isGlove ? std::to_string(gloveIndex++) : "-", device->GetDeviceKey(), KindName(type),
                              device->GetDeviceID(), device->GetHardwareVersion(), device->GetFirmwareString(),
                              isGlove ? (glove->IsRight() ? "right" : "left") : "-",
                              device->IsConnected() ? "yes" : "no", std::to_string(device->PacketsPerSecond()),
                              device->GetAddress(), ConnectionName(device->GetConnectionType())});
            }
            if (devices.empty())
                std::cout << "No devices.\n";
            else
                std::cout << table.Render();
            std::cout << std::flush;
            if (!running)
                return Fail(exitNoService, "the connection service is not running");
            return exitOk;
        }
    }

    Runner AddList(CLI::App& app)
    {
        auto* command = app.add_subcommand("list", "Show whether the connection service runs and every device it "
                                                   "announces. The index column is the number --device takes.");
        (void)command;
        return RunList;
    }
}
