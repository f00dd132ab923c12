#include "CommandBytes.h"

namespace ToolCommon
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

        bool Framed(const std::string& text, std::size_t size)
        {
            return text.size() == size && text[0] == openByte && text[1] == hapticsByte && text.back() == closeByte;
        }
    }

    bool DecodeTessaraCommand(const std::string& text, bool thumperByte, CommandLevels& out)
    {
        if (!Framed(text, thumperByte ? 14 : 13))
            return false;
        out.ffb = Levels(text, 2, 5);
        out.buzz = Levels(text, 7, 5);
        out.thumper = thumperByte ? Byte(text, 12) : -1;
        return true;
    }

    bool DecodeKelvoCommand(const std::string& text, CommandLevels& out)
    {
        if (!Framed(text, 10))
            return false;
        out.ffb = Levels(text, 2, 4);
        out.thumper = Byte(text, 6) - 1;
        out.buzz = Levels(text, 7, 2);
        return true;
    }
}
