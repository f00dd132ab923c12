#pragma once

// The texts beside the records that the tools read through the library: a mirror's word on
// its link, and the command a glove's entry in "Haptics" holds, decoded by its family.

#include <cstddef>
#include <string_view>

#include <TSCore/DeviceType.h>

#include "BridgeLink.h"
#include "CommandBytes.h"

namespace TSCoreLink
{
    /// The word of the mirror that serves this machine; false when none runs here (or its
    /// text does not parse).
    bool ReadBridgeLink(BridgeLink& out);

    enum class HeldCommand
    {
        Held,     ///< out holds the levels
        None,     ///< nothing was sent since the service made the segment
        OtherForm ///< the entry holds a text that is no command of the glove's family
    };

    /// What the entry under deviceKey holds for a glove of that type. thumperByte: a Tessara
    /// glove's firmware takes the effect byte (TakesThumperByte). size, when given, gets the
    /// length of the text read.
    HeldCommand ReadHeldCommand(std::string_view deviceKey, TSCore::DeviceType type, bool thumperByte,
                                CommandLevels& out, std::size_t* size = nullptr);
}
