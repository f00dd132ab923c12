// The device list, gloves by index or side, and what a device says about itself.

#include <memory>
#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "Objects.h"
#include "Text.h"

using namespace tscore_c;
using TSCore::DeviceList;
using TSCore::HapticGlove;
using TSCore::TSDevice;

namespace tscore_c
{
    HapticGlove& Glove(tscore_device* handle, const char* name)
    {
        tscore_device& device = Object(handle, name);
        if (device.glove == nullptr)
            throw Failure{TSCORE_NOT_A_GLOVE,
                          std::string(name) + " is " + device.device->ToString() + ", which is not a glove"};
        return *device.glove;
    }

    TSCore::HandProfile& ProfileOr(tscore_device& device, tscore_profile* profile)
    {
        if (profile != nullptr)
            return Object(profile, "profile").profile;
        if (!device.defaultProfile)
            device.defaultProfile = TSCore::HandProfile::Default(device.glove->IsRight());
        return *device.defaultProfile;
    }

    HapticGlove* AsGlove(TSDevice& device)
    {
        const TSCore::DeviceType type = device.GetDeviceType();
        if (type != TSCore::DeviceType::Tessara && type != TSCore::DeviceType::Kelvo)
            return nullptr;
        return dynamic_cast<HapticGlove*>(&device);
    }

    tscore_status OpenDevice(std::shared_ptr<TSDevice> device, tscore_device** out)
    {
        auto object = std::make_unique<tscore_device>();
        object->glove = AsGlove(*device);
        object->device = std::move(device);
        return Publish(std::move(object), out);
    }

    tscore_device_info InfoOf(TSDevice& device, HapticGlove* glove, int gloveIndex)
    {
        tscore_device_info info{};
        info.index = device.GetDeviceIndex();
        info.type = static_cast<int32_t>(device.GetDeviceType());
        info.side = glove == nullptr ? TSCORE_SIDE_NONE : (glove->IsRight() ? TSCORE_SIDE_RIGHT : TSCORE_SIDE_LEFT);
        info.connected = device.IsConnected() ? 1 : 0;
        info.firmware = device.GetFirmwareVersion();
        info.sub_firmware = device.GetSubFirmwareVersion();
        info.glove_index = glove == nullptr ? -1 : gloveIndex;
        info.packets_per_second = device.PacketsPerSecond();
        return info;
    }
}

namespace
{
    template <class List>
    void CheckIndex(const List& list, std::size_t index, const char* what)
    {
        if (index >= list.size())
            throw Failure{TSCORE_NOT_FOUND, "there is no " + std::string(what) + " " + std::to_string(index) + ": " +
                                                std::to_string(list.size()) + " known"};
    }

    int GloveIndex(const TSDevice* device)
    {
        const auto gloves = HapticGlove::GetHapticGloves();
        for (std::size_t i = 0; i < gloves.size(); ++i)
            if (gloves[i].get() == device)
                return static_cast<int>(i);
        return -1;
    }

    template <class Text>
    tscore_status DeviceText(const char* function, tscore_device* handle, char* buffer, size_t size, size_t* needed,
                             Text text) noexcept
    {
        return Call(function, [&] { return OutText(text(*Object(handle, "device").device), buffer, size, needed); });
    }
}

extern "C"
{
    tscore_status tscore_device_count(size_t* count)
    {
        return Call(__func__,
                    [&]
                    {
                        *NotNull(count, "count") = DeviceList::GetDevices().size();
                        return Succeed();
                    });
    }

    tscore_status tscore_device_open(size_t index, tscore_device** out)
    {
        return Call(__func__,
                    [&]
                    {
                        NotNull(out, "out");
                        const auto devices = DeviceList::GetDevices();
                        CheckIndex(devices, index, "device");
                        return OpenDevice(devices[index], out);
                    });
    }

    tscore_status tscore_glove_count(size_t* count)
    {
        return Call(__func__,
                    [&]
                    {
                        *NotNull(count, "count") = HapticGlove::GetHapticGloves().size();
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_open(size_t index, tscore_device** out)
    {
        return Call(__func__,
                    [&]
                    {
                        NotNull(out, "out");
                        const auto gloves = HapticGlove::GetHapticGloves();
                        CheckIndex(gloves, index, "glove");
                        return OpenDevice(gloves[index], out);
                    });
    }

    tscore_status tscore_glove_open_first(int32_t side, tscore_device** out)
    {
        return Call(
            __func__,
            [&]
            {
                NotNull(out, "out");
                if (side != TSCORE_SIDE_ANY && side != TSCORE_SIDE_LEFT && side != TSCORE_SIDE_RIGHT)
                    throw Failure{TSCORE_INVALID_ARGUMENT,
                                  "side is TSCORE_SIDE_ANY, _LEFT or _RIGHT, not " + std::to_string(side)};
                std::shared_ptr<HapticGlove> glove;
                const bool found = side == TSCORE_SIDE_ANY ? HapticGlove::GetGlove(glove)
                                                           : HapticGlove::GetGlove(side == TSCORE_SIDE_RIGHT, glove);
                if (!found)
                    throw Failure{TSCORE_NOT_FOUND, std::string("no connected glove") +
                                                        (side == TSCORE_SIDE_ANY     ? ""
                                                         : side == TSCORE_SIDE_RIGHT ? " of the right hand"
                                                                                     : " of the left hand") +
                                                        ": is the connection service (or tesslink-sim) running?"};
                return OpenDevice(std::move(glove), out);
            });
    }

    tscore_status tscore_device_list_reset(void)
    {
        return Call(__func__,
                    []
                    {
                        DeviceList::Dispose();
                        DeviceList::ReInitialize();
                        return Succeed();
                    });
    }

    tscore_status tscore_device_destroy(tscore_device* device) { return Destroy(__func__, device); }

    tscore_status tscore_device_get_info(tscore_device* device, tscore_device_info* out)
    {
        return Call(__func__,
                    [&]
                    {
                        tscore_device& d = Object(device, "device");
                        NotNull(out, "out");
                        TSDevice& dev = *d.device;
                        const tscore_device_info info = InfoOf(dev, d.glove, d.glove ? GloveIndex(&dev) : -1);
                        *out = info;
                        return Succeed();
                    });
    }

    tscore_status tscore_device_key(tscore_device* device, char* buffer, size_t size, size_t* needed)
    {
        return DeviceText(__func__, device, buffer, size, needed, [](TSDevice& d) { return d.GetDeviceKey(); });
    }

    tscore_status tscore_device_id(tscore_device* device, char* buffer, size_t size, size_t* needed)
    {
        return DeviceText(__func__, device, buffer, size, needed, [](TSDevice& d) { return d.GetDeviceID(); });
    }

    tscore_status tscore_device_hardware(tscore_device* device, char* buffer, size_t size, size_t* needed)
    {
        return DeviceText(__func__, device, buffer, size, needed, [](TSDevice& d) { return d.GetHardwareVersion(); });
    }

    tscore_status tscore_device_name(tscore_device* device, char* buffer, size_t size, size_t* needed)
    {
        return DeviceText(__func__, device, buffer, size, needed, [](TSDevice& d) { return d.ToString(); });
    }

    tscore_status tscore_device_sensor_text(tscore_device* device, char* buffer, size_t size, size_t* needed)
    {
        return Call(__func__,
                    [&]
                    {
                        TSDevice& d = *Object(device, "device").device;
                        std::string text;
                        const bool read = DeviceList::GetSensorDataString(d.GetDeviceKey(), text);
                        const tscore_status status = OutText(text, buffer, size, needed);
                        if (!read)
                            return Fail(TSCORE_NO_READING, "the service publishes no sensor text for ",
                                        d.GetDeviceKey().c_str());
                        return status;
                    });
    }
}
