#include "BridgeLink.h"

#include <cctype>
#include <charconv>
#include <string_view>
#include <utility>

namespace TSCoreLink
{
    namespace
    {
        constexpr const char* publisherNames[] = {"none", "heard", "lost"};
        constexpr const char* hapticsNames[] = {"unknown", "accepted", "dropped"};
        // Longer than any partition the bridge accepts: the text comes from another process.
        constexpr std::size_t maxPartition = 256;

        template <class Enum, std::size_t N>
        bool ParseName(std::string_view text, const char* const (&names)[N], Enum& out)
        {
            for (std::size_t i = 0; i < N; ++i)
                if (text == names[i])
                {
                    out = static_cast<Enum>(i);
                    return true;
                }
            return false;
        }

        template <class Number>
        bool ParseNumber(std::string_view text, Number& out)
        {
            const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
            return result.ec == std::errc() && result.ptr == text.data() + text.size();
        }

        bool Printable(std::string_view text)
        {
            for (const char c : text)
                if (std::isgraph(static_cast<unsigned char>(c)) == 0)
                    return false;
            return text.size() <= maxPartition;
        }

        bool ParseField(std::string_view key, std::string_view value, BridgeLink& link, int& required)
        {
            if (key == "time") // seconds since 1970, kept far from overflow when a reader subtracts
                return ParseNumber(value, link.time) && link.time >= 0 && link.time < (1LL << 40) &&
                       (required |= 1) != 0;
            if (key == "publisher")
                return ParseName(value, publisherNames, link.publisher) && (required |= 2) != 0;
            if (key == "haptics")
                return ParseName(value, hapticsNames, link.haptics);
            if (key == "domain")
                return ParseNumber(value, link.domain);
            if (key == "partition")
            {
                link.partition = std::string(value);
                return Printable(value);
            }
            if (key == "security")
            {
                link.security = value == "on";
                return value == "on" || value == "off";
            }
            return true; // a later mirror's
        }
    }

    std::string BridgeLink::Text() const
    {
        return "time=" + std::to_string(time) + " publisher=" + publisherNames[static_cast<int>(publisher)] +
               " haptics=" + hapticsNames[static_cast<int>(haptics)] + " domain=" + std::to_string(domain) +
               " partition=" + partition + " security=" + (security ? "on" : "off");
    }

    bool BridgeLink::Parse(const std::string& text, BridgeLink& out)
    {
        BridgeLink link;
        int required = 0;
        std::string_view rest(text);
        while (!rest.empty())
        {
            const std::size_t space = rest.find(' ');
            const std::string_view field = rest.substr(0, space);
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            const std::size_t equals = field.find('=');
            if (equals == std::string_view::npos ||
                !ParseField(field.substr(0, equals), field.substr(equals + 1), link, required))
                return false;
        }
        if (required != 3)
            return false;
        out = std::move(link);
        return true;
    }

    std::string BridgeLink::Where() const
    {
        return "DDS domain " + std::to_string(domain) + ", partition \"" + partition + "\", " +
               (security ? "with" : "without") + " DDS Security";
    }
}
