#pragma once

// A device's name in every segment: "device" and its index in decimal, without leading zeros.

#include <cstdint>
#include <string>
#include <string_view>

namespace TSCoreLink::DeviceKey
{
    /// "device" + index.
    std::string Of(std::uint32_t index);
    /// The index that a key names when it is below limit; false for any other name ("device01"
    /// and "device" name no device).
    bool IndexOf(std::string_view key, std::uint32_t limit, std::uint32_t& index);
}
