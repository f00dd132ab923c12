#include "ViewToken.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace TSCoreCli
{
    namespace
    {
        constexpr char base64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

        /// Base64url without padding.
        std::string Encode(const unsigned char* bytes, std::size_t size)
        {
            std::string out;
            unsigned bits = 0, count = 0;
            for (std::size_t i = 0; i < size; ++i)
            {
                bits = (bits << 8) | bytes[i];
                count += 8;
                while (count >= 6)
                {
                    count -= 6;
                    out += base64Url[(bits >> count) & 0x3f];
                }
            }
            if (count > 0)
                out += base64Url[(bits << (6 - count)) & 0x3f];
            return out;
        }

        /// The value after "name=" in a list of "key=value" items split by separator.
        std::string_view ValueIn(std::string_view list, char separator, std::string_view name)
        {
            while (!list.empty())
            {
                const std::size_t end = list.find(separator);
                std::string_view item = list.substr(0, end);
                while (!item.empty() && item.front() == ' ')
                    item.remove_prefix(1);
                if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=')
                    return item.substr(name.size() + 1);
                list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
            }
            return {};
        }
    }

    std::string NewToken(std::string& why)
    {
        std::array<unsigned char, tokenBytes> bytes{};
        std::size_t filled = 0;
        while (filled < bytes.size())
        {
            const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
            {
                why = std::string("the system's random source gives nothing: ") + std::strerror(errno);
                return {};
            }
            filled += static_cast<std::size_t>(got);
        }
        return Encode(bytes.data(), bytes.size());
    }

    std::string_view QueryValue(std::string_view target, std::string_view name)
    {
        const std::size_t query = target.find('?');
        if (query == std::string_view::npos)
            return {};
        target = target.substr(query + 1);
        return ValueIn(target.substr(0, target.find('#')), '&', name);
    }

    std::string_view CookieValue(std::string_view header, std::string_view name) { return ValueIn(header, ';', name); }

    bool SameToken(std::string_view given, std::string_view token)
    {
        // Every byte of the token is compared whatever the given text, so that the time taken
        // says nothing about how much of it was right.
        unsigned difference = given.size() == token.size() ? 0u : 1u;
        for (std::size_t i = 0; i < token.size(); ++i)
        {
            const auto expected = static_cast<unsigned char>(token[i]);
            const auto got = i < given.size() ? static_cast<unsigned char>(given[i])
                                              : static_cast<unsigned char>(~expected & 0xff);
            difference |= static_cast<unsigned>(expected ^ got);
        }
        return difference == 0 && !token.empty();
    }
}
