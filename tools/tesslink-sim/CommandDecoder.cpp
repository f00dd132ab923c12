#include "CommandDecoder.h"

#include "CommandBytes.h"

namespace TessLinkSim
{
    namespace
    {
        std::string List(const std::vector<int>& levels)
        {
            std::string out;
            for (std::size_t i = 0; i < levels.size(); ++i)
                out += (i > 0 ? "," : "") + std::to_string(levels[i]);
            return out;
        }

        std::string Fields(const ToolCommon::CommandLevels& c, bool kelvo)
        {
            const std::string thumper = kelvo || c.thumper >= 0 ? std::to_string(c.thumper) : std::string("none");
            return "ffb=" + List(c.ffb) + " buzz=" + List(c.buzz) + " thumper=" + thumper;
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
        const std::string line = "haptics " + key + ' ' + KindName(target.kind) + ' ';
        ToolCommon::CommandLevels levels;
        switch (target.kind)
        {
        case DeviceKind::Tessara:
            if (ToolCommon::DecodeTessaraCommand(command, target.thumperByte, levels))
                return line + Fields(levels, false) + " raw=" + Hex(command);
            break;
        case DeviceKind::Kelvo:
            if (ToolCommon::DecodeKelvoCommand(command, levels))
                return line + Fields(levels, true) + " raw=" + Hex(command);
            break;
        case DeviceKind::Beta:
        case DeviceKind::Other:
            return line + "raw=" + Hex(command);
        }
        return line + "malformed raw=" + Hex(command);
    }
}
