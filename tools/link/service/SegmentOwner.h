#pragma once

// The service that owns the segments, as it records itself in "Devices" (object "owner",
// text "<pid> <name>"), so that a second service can say who is in the way.

#include <string>

namespace TSCoreLink
{
    struct SegmentOwner
    {
        long pid = 0; ///< 0 when unknown
        std::string name;

        /// The calling process under the given service name.
        static SegmentOwner OfThisProcess(const std::string& name);

        /// "<pid> <name>".
        std::string Text() const;
        /// False for a text that is not "<pid> <name>" with a positive pid; out is left alone then.
        static bool Parse(const std::string& text, SegmentOwner& out);

        /// "tesslink-sim (PID 1234)", or "a connection service (PID unknown)".
        std::string Describe() const;
    };
}
