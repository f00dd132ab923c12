#include "CommandBytes.h"

#include "GloveChannels.h"

namespace TSCoreLink
{
    namespace
    {
        constexpr char openByte = '{';
        constexpr char hapticsByte = 'Z';
        constexpr char closeByte = '}';

        int Byte(const std::string& text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

        std::vector<int> Levels(const std::string& text, std::size_t first, std::size_t count)
        {
            std::vector<int> out;
            for (std::size_t i = first; i < first + count; ++i)
                out.push_back(Byte(text, i) - 1);
            return out;
        }

        constexpr GloveChannels tessara = GloveChannels::tessara;
        constexpr GloveChannels kelvo = GloveChannels::kelvo;

        bool Framed(const std::string& text, std::size_t size)
        {
            return text.size() == size && text[0] == openByte && text[1] == hapticsByte && text.back() == closeByte;
        }
    }

    bool DecodeTessaraCommand(const std::string& text, bool thumperByte, CommandLevels& out)
    {
        const std::size_t buzz = 2 + tessara.ffb;
        const std::size_t thumper = buzz + tessara.buzz;
        if (!Framed(text, thumper + (thumperByte ? 2 : 1)))
            return false;
        out.ffb = Levels(text, 2, tessara.ffb);
        out.buzz = Levels(text, buzz, tessara.buzz);
        out.thumper = thumperByte ? Byte(text, thumper) : -1;
        return true;
    }

    bool DecodeKelvoCommand(const std::string& text, CommandLevels& out)
    {
        const std::size_t thumper = 2 + kelvo.ffb;
        if (!Framed(text, thumper + 1 + kelvo.buzz + 1))
            return false;
        out.ffb = Levels(text, 2, kelvo.ffb);
        out.thumper = Byte(text, thumper) - 1;
        out.buzz = Levels(text, thumper + 1, kelvo.buzz);
        return true;
    }

    bool DecodeGloveCommand(const std::string& text, bool kelvo, bool thumperByte, CommandLevels& out)
    {
        return kelvo ? DecodeKelvoCommand(text, out) : DecodeTessaraCommand(text, thumperByte, out);
    }
}
