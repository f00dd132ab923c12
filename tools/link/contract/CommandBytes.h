#pragma once

// The haptic command texts of the two glove families, read back: what a command under a
// glove's key in "Haptics" asks of the glove. The simulator prints it; tscore completes a
// new command from it; the OpenXR layer keeps its vibration.
//   Tessara: '{' 'Z' five force levels, five vibration levels, [thumper effect code], '}'
//   Kelvo:   '{' 'Z' four force levels (thumb to ring), thumper magnitude, two vibration
//            levels (thumb, index), '}'
// Levels travel as level + 1, so that no byte is NUL.

#include <string>
#include <vector>

namespace TSCoreLink
{
    struct CommandLevels
    {
        std::vector<int> ffb;  ///< thumb first: five (Tessara) or four (Kelvo)
        std::vector<int> buzz; ///< thumb first: five (Tessara) or two (Kelvo)
        /// Tessara: the effect code, or -1 when the command carries no effect byte; Kelvo: the
        /// magnitude.
        int thumper = -1;
    };

    /// thumperByte: the glove's firmware takes an effect byte, so the command has one. False
    /// when the text is not such a command.
    bool DecodeTessaraCommand(const std::string& text, bool thumperByte, CommandLevels& out);
    bool DecodeKelvoCommand(const std::string& text, CommandLevels& out);
    /// The command of a Kelvo glove, or else of a Tessara glove (thumperByte as above).
    bool DecodeGloveCommand(const std::string& text, bool kelvo, bool thumperByte, CommandLevels& out);

    /// The firmware test of the Tessara glove for the effect byte: main version 4 or more and
    /// sub-version 7 or more (two separate tests, so 5.0 to 5.6 take none).
    constexpr bool TakesThumperByte(int firmware, int subFirmware) { return firmware >= 4 && subFirmware >= 7; }
}
