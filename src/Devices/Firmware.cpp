#include "Devices/Firmware.h"

#include <stdexcept>

#include "Util/FieldReader.h"

namespace TSCore::detail
{
    bool ReadFirmware(std::string_view text, int& firmware, int& subFirmware)
    {
        firmware = 0;
        subFirmware = 0;
        if (text.empty())
            return true;
        if (text[0] == 'v')
            text.remove_prefix(1);
        Util::detail::FieldReader parts = Util::detail::FieldReader::Split(text, '.');
        firmware = parts.Count() >= 1 ? parts.Int(0) : 0;
        subFirmware = parts.Count() >= 2 ? parts.Int(1) : 0;
        return parts.Ok();
    }

    void ThrowOnRangeError(bool ok)
    {
        if (!ok)
            throw std::out_of_range(Util::detail::intRangeError);
    }
}
