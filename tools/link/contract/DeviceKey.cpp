#include "DeviceKey.h"

namespace TSCoreLink::DeviceKey
{
    namespace
    {
        constexpr std::string_view prefix = "device";
    }

    std::string Of(std::uint32_t index) { return std::string(prefix) + std::to_string(index); }

    bool IndexOf(std::string_view key, std::uint32_t limit, std::uint32_t& index)
    {
        if (key.size() <= prefix.size() || key.substr(0, prefix.size()) != prefix)
            return false;
        const std::string_view digits = key.substr(prefix.size());
        if (digits.size() > 1 && digits[0] == '0')
            return false;
        std::uint64_t value = 0;
        for (const char c : digits)
        {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value >= limit)
                return false;
        }
        index = static_cast<std::uint32_t>(value);
        return true;
    }
}
