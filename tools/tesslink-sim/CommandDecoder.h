#pragma once

// Turns a haptic command string read from "Haptics" into the one line that the
// simulator prints for it.

#include "RecordText.h"

#include <string>
#include <vector>

namespace TessLinkSim
{
    struct CommandTarget
    {
        TSCoreLink::DeviceKind kind = TSCoreLink::DeviceKind::Beta;
        // Exoskeleton only: the glove's firmware takes a thumper byte before the '}'.
        bool thumperByte = false;
    };

    // Lower-case hex of every byte, no separators.
    std::string Hex(const std::string& bytes);

    // "haptics <key> <kind> ..." without a line end. ffb, when given, gets the force levels of
    // a well-formed glove command (thumb first), and is emptied otherwise.
    std::string DecodeCommand(const std::string& key, const CommandTarget& target, const std::string& command,
                              std::vector<int>* ffb = nullptr);
}
