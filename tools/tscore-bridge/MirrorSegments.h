#pragma once

// What the mirror needs of the service side of the shared-memory contract, by device index:
// it is the connection service of its machine. The segments themselves, their ownership and
// their removal belong to the service-segments library.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ServiceSegments.h"

namespace TSCoreBridge
{
    class MirrorSegments
    {
    public:
        enum class Claim
        {
            Claimed,
            Busy,   ///< another live service owns them
            Failed, ///< they could not be created
        };

        /// Claims "Devices", "Data" and "Haptics" with room for every device the protocol
        /// allows; message says who is in the way, why it failed, or what was replaced.
        Claim Create(bool takeover, std::string& message);
        /// False, with who replaced them, once the segments are no longer ours.
        bool StillOwned(std::string& why) const;

        /// False when a write did not fit (the old text stays).
        bool WriteRecord(std::uint32_t index, const std::string& record);
        bool WriteText(std::uint32_t index, const std::string& text);
        bool WriteCount(std::uint32_t count);
        /// "scanActive": whole seconds since 1970.
        bool WriteStamp(long long seconds);
        /// The mirror's word on its link, under "bridge".
        bool WriteLink(const std::string& text);
        /// A device no longer announced: its record and text go.
        bool RemoveDevice(std::uint32_t index);

        /// Every command in "Haptics" as (device index, bytes); objects under other names are
        /// left out. False when "Haptics" cannot be read now.
        bool ReadCommands(std::vector<std::pair<std::uint32_t, std::string>>& out);

        /// The index in a key "device<index>" below the protocol's limit; false for any other name.
        static bool IndexOf(const std::string& key, std::uint32_t& index);

    private:
        TSCoreService::ServiceSegments segments;
    };
}
