#include "SegmentOwner.h"

#include <unistd.h>

#include <cctype>
#include <charconv>

namespace TSCoreLink
{
    namespace
    {
        // Names come from another process: keep them printable and short.
        std::string Printable(const std::string& text)
        {
            std::string out;
            for (const char c : text.substr(0, 80))
                out += std::isprint(static_cast<unsigned char>(c)) != 0 ? c : '?';
            return out;
        }
    }

    SegmentOwner SegmentOwner::OfThisProcess(const std::string& name) { return {static_cast<long>(getpid()), name}; }

    std::string SegmentOwner::Text() const { return std::to_string(pid) + " " + name; }

    bool SegmentOwner::Parse(const std::string& text, SegmentOwner& out)
    {
        const std::size_t space = text.find(' ');
        if (space == std::string::npos || space == 0)
            return false;
        long value = 0;
        const auto result = std::from_chars(text.data(), text.data() + space, value);
        if (result.ec != std::errc() || result.ptr != text.data() + space || value <= 0)
            return false;
        out.pid = value;
        out.name = Printable(text.substr(space + 1));
        return true;
    }

    std::string SegmentOwner::Describe() const
    {
        const std::string who = name.empty() ? "a connection service" : name;
        return who + " (PID " + (pid > 0 ? std::to_string(pid) : std::string("unknown")) + ")";
    }
}
