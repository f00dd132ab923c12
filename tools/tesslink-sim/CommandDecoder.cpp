#include "CommandDecoder.h"

namespace TessLinkSim
{
    namespace
    {
        constexpr char openByte = '{';
        constexpr char hapticsByte = 'Z';
        constexpr char closeByte = '}';

        int Byte(const std::string& command, std::size_t i) { return static_cast<unsigned char>(command[i]); }

        // Levels travel as level + 1 so that no byte is NUL.
        std::string Levels(const std::string& command, std::size_t first, std::size_t count)
        {
            std::string out;
            for (std::size_t i = 0; i < count; ++i)
            {
                if (i > 0)
                    out += ',';
                out += std::to_string(Byte(command, first + i) - 1);
            }
            return out;
        }

        bool Framed(const std::string& command, std::size_t expectedSize)
        {
            return command.size() == expectedSize && command[0] == openByte && command[1] == hapticsByte &&
                   command.back() == closeByte;
        }

        // '{' 'Z' five force levels, five vibration levels, [thumper code], '}'.
        std::string DecodeTessara(const std::string& command, bool thumperByte)
        {
            if (!Framed(command, thumperByte ? 14 : 13))
                return std::string();
            std::string out = "ffb=" + Levels(command, 2, 5) + " buzz=" + Levels(command, 7, 5) + " thumper=";
            out += thumperByte ? std::to_string(Byte(command, 12)) : std::string("none");
            return out;
        }

        // '{' 'Z' four force levels (thumb to ring), thumper magnitude, two vibration levels, '}'.
        std::string DecodeKelvo(const std::string& command)
        {
            if (!Framed(command, 10))
                return std::string();
            return "ffb=" + Levels(command, 2, 4) + " buzz=" + Levels(command, 7, 2) +
                   " thumper=" + std::to_string(Byte(command, 6) - 1);
        }
    }

    std::string Hex(const std::string& bytes)
    {
        static constexpr char digits[] = "0123456789abcdef";
        std::string out;
        out.reserve(bytes.size() * 2);
        for (const char c : bytes)
        {
            const auto b = static_cast<unsigned char>(c);
            out += digits[b >> 4];
            out += digits[b & 0x0F];
        }
        return out;
    }

    std::string DecodeCommand(const std::string& key, const CommandTarget& target, const std::string& command)
    {
        const char* kind = KindName(target.kind);
        std::string line = "haptics " + key + ' ' + kind + ' ';
        std::string fields;
        switch (target.kind)
        {
        case DeviceKind::Tessara:
            fields = DecodeTessara(command, target.thumperByte);
            break;
        case DeviceKind::Kelvo:
            fields = DecodeKelvo(command);
            break;
        case DeviceKind::Beta:
        case DeviceKind::Other:
            return line + "raw=" + Hex(command);
        }
        if (fields.empty())
            return line + "malformed raw=" + Hex(command);
        return line + fields + " raw=" + Hex(command);
    }
}
