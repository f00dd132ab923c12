// A device record as the device link reads it from shared memory: split into its fields and
// handed to the parser its type field names. Never throws; an accepted record gives a device
// of the type it names, whose identity can be read.
#include <memory>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>
#include <TSCore/Util/StrStuff.h>

#include "Devices/DeviceRecord.h"
#include "FuzzHelpers.h"

using TSCore::HapticGlove;
using TSCore::TSDevice;
using TSCore::Util::StrStuff;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string record = TSCoreFuzz::Text(data, size);

    // The connection getters read single fields of the same record.
    for (int field = -1; field <= 6; ++field)
        (void)StrStuff::QuickSplit(record, '@', field);

    std::shared_ptr<TSDevice> device;
    const bool accepted = TSCore::detail::DeserializeDeviceRecord(record, device);
    TSCoreFuzz::Check(accepted == (device != nullptr), "accepted exactly when a device is returned");
    if (!device)
        return 0;

    // Accepted means the type field was a readable number naming one of the parsers.
    const int type = StrStuff::ToInt(StrStuff::Split(record, '@')[2], 0);
    TSCoreFuzz::Check(static_cast<int>(device->GetDeviceType()) == type, "device of the type the record names");

    device->SetDeviceIndex(3);
    TSCoreFuzz::Check(device->GetDeviceKey() == "device3", "key follows the index");
    (void)device->ToString();
    (void)device->GetFirmwareString();
    (void)device->GetDeviceID();
    (void)device->GetHardwareVersion();
    if (const auto glove = std::dynamic_pointer_cast<HapticGlove>(device))
    {
        (void)glove->IsRight();
        TSCoreFuzz::Check(type != static_cast<int>(TSCore::DeviceType::BetaDevice), "a beta device is no glove");
    }
    return 0;
}
