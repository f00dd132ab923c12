#include "CommandDecoder.h"

#include "CommandBytes.h"

namespace TessLinkSim
{
    using namespace TSCoreLink;

    namespace
    {
        std::string List(const std::vector<int>& levels)
        {
            std::string out;
            for (std::size_t i = 0; i < levels.size(); ++i)
                out += (i > 0 ? "," : "") + std::to_string(levels[i]);
            return out;
        }

        std::string Fields(const CommandLevels& c, bool kelvo)
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

    std::string DecodeCommand(const std::string& key, const CommandTarget& target, const std::string& command,
                              std::vector<int>* ffb)
    {
        const std::string line = "haptics " + key + ' ' + KindName(target.kind) + ' ';
        CommandLevels levels;
        if (ffb != nullptr)
            ffb->clear();
        const bool kelvo = target.kind == DeviceKind::Kelvo;
        switch (target.kind)
        {
        case DeviceKind::Tessara:
        case DeviceKind::Kelvo:
            if (DecodeGloveCommand(command, kelvo, target.thumperByte, levels))
            {
                if (ffb != nullptr)
                    *ffb = levels.ffb;
                return line + Fields(levels, kelvo) + " raw=" + Hex(command);
            }
            break;
        case DeviceKind::Beta:
        case DeviceKind::Other:
            return line + "raw=" + Hex(command);
        }
        return line + "malformed raw=" + Hex(command);
    }
}
