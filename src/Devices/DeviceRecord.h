#pragma once

#include <memory>
#include <string>

#include "TSCore/Devices/TSDevice.h"

namespace TSCore::detail
{
    /// Turns one device record ("state@pps@type@{constants}@address@connectionType") into a
    /// device object through the parser its type names. False for a record with fewer than
    /// six fields, a type without a parser, or constants the parser rejects; never throws.
    bool DeserializeDeviceRecord(const std::string& record, std::shared_ptr<TSDevice>& out);
}
