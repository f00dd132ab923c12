// BetaDevice::Parse: never throws, keeps the whole constants text, and takes its identity
// from the first two ':' fields.
#include <memory>

#include <TSCore/Devices/BetaDevice.h>
#include <TSCore/Util/StrStuff.h>

#include "FuzzHelpers.h"

using TSCore::BetaDevice;
using TSCore::Util::StrStuff;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string constants = TSCoreFuzz::Text(data, size);
    const auto device = std::dynamic_pointer_cast<BetaDevice>(BetaDevice::Parse(constants));
    // Null only for a firmware number beyond int range, which the parser reports as unreadable.
    if (!device)
        return 0;
    const std::vector<std::string> parts = StrStuff::Split(constants, ':');
    TSCoreFuzz::Check(device->GetConstantsString() == constants, "constants kept unchanged");
    TSCoreFuzz::Check(device->GetDeviceID() == (parts.empty() ? "N\\A" : parts[0]), "identity is field 0");
    TSCoreFuzz::Check(device->GetHardwareVersion() == (parts.size() < 2 ? "N\\A" : parts[1]), "hardware is field 1");
    TSCoreFuzz::Check(device->GetDeviceType() == TSCore::DeviceType::BetaDevice, "beta type");
    (void)device->ToString();
    (void)device->GetFirmwareString();
    TSCoreFuzz::Check(device->GetLastCmd().empty(), "a beta device remembers no command");
    return 0;
}
