#pragma once

// Splitting without a string per field, for parsers whose fields are read, not returned.
// Gives the same fields as StrStuff::Split: an empty text has none, otherwise every
// delimiter separates two (possibly empty) fields.

#include <cstddef>
#include <string_view>
#include <vector>

namespace TSCore::Util::detail
{
    inline void SplitViews(std::string_view text, char delim, std::vector<std::string_view>& out)
    {
        out.clear();
        if (text.empty())
            return;
        std::size_t count = 1;
        for (const char c : text)
            count += c == delim ? 1 : 0;
        out.reserve(count);
        std::size_t start = 0;
        for (;;)
        {
            const std::size_t pos = text.find(delim, start);
            if (pos == std::string_view::npos)
            {
                out.push_back(text.substr(start));
                return;
            }
            out.push_back(text.substr(start, pos - start));
            start = pos + 1;
        }
    }

    inline std::vector<std::string_view> SplitViews(std::string_view text, char delim)
    {
        std::vector<std::string_view> out;
        SplitViews(text, delim, out);
        return out;
    }
}
