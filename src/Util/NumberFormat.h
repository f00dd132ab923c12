#pragma once

// The one number form of every text the library writes: printf's "%f" of the float
// widened to double (six decimals, no exponent), produced without the process locale.

#include <charconv>
#include <string>

namespace TSCore::Util::detail
{
    inline void AppendNumber(std::string& out, float value)
    {
        char buffer[64]; // the largest float in fixed notation needs 39 digits + sign + 7
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, 6);
        out.append(buffer, result.ptr);
    }

    inline std::string FormatNumber(float value)
    {
        std::string out;
        AppendNumber(out, value);
        return out;
    }
}
