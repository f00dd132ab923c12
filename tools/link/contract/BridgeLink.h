#pragma once

// What a tscore-bridge mirror tells the applications of its machine about its link to the
// glove PC, so that they can say which machine lacks what. It is the text of the object
// "bridge" in "Devices", written by the mirror alone (a connection service of its own has no
// such object): fields "key=value" separated by single spaces, unknown keys ignored:
//
//   time=1796622422 publisher=heard haptics=accepted domain=0 partition=tscore security=off
//
// time: seconds since 1970, rewritten every second while the mirror runs. publisher: none
// (none heard since the mirror started), heard (one is followed now) or lost (it fell silent
// or stopped). haptics: whether that publisher writes the commands forwarded to it into its
// gloves (accepted, dropped, or unknown for a publisher that does not say). The domain and
// partition are the mirror's; security says whether it runs with DDS Security. A partition
// name holds no space.

#include <cstdint>
#include <string>

#include "Contract.h"

namespace TSCoreLink
{
    struct BridgeLink
    {
        static constexpr const char* object = "bridge";
        /// A mirror rewrites time every second; one this old stopped or hangs (the service's rule).
        static constexpr long long staleSeconds = Contract::staleAfterSeconds;

        enum class Publisher
        {
            None,
            Heard,
            Lost
        };
        enum class Haptics
        {
            Unknown,
            Accepted,
            Dropped
        };

        long long time = 0;
        Publisher publisher = Publisher::None;
        Haptics haptics = Haptics::Unknown;
        std::uint32_t domain = 0;
        std::string partition;
        bool security = false;

        std::string Text() const;
        /// False for a text without a time and a publisher state; out is left alone then.
        static bool Parse(const std::string& text, BridgeLink& out);

        /// "DDS domain 0, partition "tscore", without DDS Security".
        std::string Where() const;
    };
}
