#pragma once

// Firmware text of every device kind: "vM.S", 'v' optional, parts after the second ignored.

#include <string_view>

namespace TSCore::detail
{
    /// An empty text gives 0 and 0; a missing part reads as 0, a part that is no number as 0.
    /// False for a part outside the int range (the numbers read so far are kept).
    bool ReadFirmware(std::string_view text, int& firmware, int& subFirmware);

    /// The public parsers' documented answer to a range error: std::out_of_range.
    void ThrowOnRangeError(bool ok);
}
