#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Devices/TSDevice.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "LiveState.h"
#include "RemoteLink.h"
#include "Select.h"
#include "Table.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::ServiceReader;
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

        /// One device as list shows it, from its record as the reader's check found it; index is
        /// what --device takes (gloves only).
        json DeviceJson(const ServiceReader::DeviceInfo& device, const ServiceStatus& service, int& gloveIndex)
        {
            return {{"index", device.isGlove ? json(gloveIndex++) : json(nullptr)},
                    {"key", device.deviceKey},
                    {"kind", KindName(device.type)},
                    {"id", device.deviceID},
                    {"hardware", device.hardwareVersion},
                    {"firmware", device.firmware},
                    {"side", device.isGlove ? json(device.isRight ? "right" : "left") : json(nullptr)},
                    {"connected", device.connected},
                    {"state", DeviceWord(service, device.connected)},
                    {"pps", device.packetsPerSecond},
                    {"address", device.address},
                    {"connection", ConnectionName(device.connectionType)}};
        }

        std::string Cell(const json& value)
        {
            if (value.is_null())
                return "-";
            if (value.is_boolean())
                return value.get<bool>() ? "yes" : "no";
            return value.is_string() ? value.get<std::string>() : value.dump();
        }

        /// "yes" or "no" as the record says while the service runs; a record of a stale or
        /// stopped service says nothing about now, and the column says which.
        std::string ConnectedCell(const json& device)
        {
            const std::string state = device["state"].get<std::string>();
            return state == "connected" ? "yes" : state == "disconnected" ? "no" : state;
        }

        /// The table fits 80 columns; hardware and connection type are in --json.
        std::string DeviceTable(const json& devices)
        {
            Table table({"index", "key", "kind", "ID", "firmware", "side", "connected", "pps", "address"});
            for (const json& d : devices)
                table.AddRow({Cell(d["index"]), Cell(d["key"]), Cell(d["kind"]), Cell(d["id"]), Cell(d["firmware"]),
                              Cell(d["side"]), ConnectedCell(d), Cell(d["pps"]), Cell(d["address"])});
            return table.Render();
        }

        int RunList(bool asJson)
        {
            const ServiceReader reader;
            const ServiceStatus service = ServiceStatus::Of(reader);
            json devices = json::array();
            int gloveIndex = 0;
            for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
                devices.push_back(DeviceJson(reader.Info(i), service, gloveIndex));
            if (asJson)
            {
                const json out = {{"service",
                                   {{"state", service.Name()},
                                    {"stampAge", service.stampAge ? json(*service.stampAge) : json(nullptr)}}},
                                  {"devices", devices}};
                std::cout << out.dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
            }
            else
            {
                std::cout << "Connection service: " << service.Describe() << "\n";
                std::cout << (devices.empty() ? "No devices.\n" : DeviceTable(devices)) << std::flush;
            }
            if (const int code = CheckRemoteLink(RemoteUse::List, service))
                return code;
            return service.Refuse();
        }
    }

    Runner AddList(CLI::App& app)
    {
        auto* command = app.add_subcommand(
            "list", "Show whether the connection service is updating (with the age of its time stamp) and every "
                    "device it announces. The index column is the number --device takes. The connected column "
                    "says yes or no as a device's record does, or stale or stopped when the service is not "
                    "updating (from 3 s) or not running (from 10 s): then no record is current, and list "
                    "exits with 3.");
        auto asJson = std::make_shared<bool>(false);
        command->add_flag("--json", *asJson,
                          "One JSON object: {\"service\": {\"state\", \"stampAge\"}, \"devices\": [{\"index\", "
                          "\"key\", \"kind\", \"id\", \"hardware\", \"firmware\", \"side\", \"connected\", \"state\", "
                          "\"pps\", \"address\", \"connection\"}]}; connected is what the record says, state what it "
                          "is worth now: connected, disconnected, stale or stopped.");
        return [asJson] { return RunList(*asJson); };
    }
}
