#pragma once

// What every process that acts as the connection service does around its own work (the
// simulator publishing its gloves, a mirror publishing another machine's): claims the segments
// with room for its devices, notices when they stopped being its own, and picks from "Haptics"
// the commands that changed since it last looked, each command once.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ServiceSegments.h"

namespace TSCoreLink
{
    class ServiceHost
    {
    public:
        /// serviceName: recorded as the owner, e.g. "tesslink-sim".
        explicit ServiceHost(std::string serviceName);

        /// Claims with room for `devices` records and texts, `minimumSize` bytes at least; Size()
        /// says what was made.
        ServiceSegments::ClaimResult Claim(std::size_t devices, std::size_t minimumSize, bool takeover);
        std::size_t Size() const { return size; }

        /// Empty while the segments are ours; otherwise who replaced them (or that they were
        /// removed), and they are dropped: what is left of them is the new owner's to replace.
        std::optional<std::string> LostOwnership();

        /// The (key, command) pairs in "Haptics" that differ from the last command seen under
        /// their keys, as "Haptics" lists them. False when it cannot be read now (try again later).
        bool ChangedCommands(std::vector<std::pair<std::string, std::string>>& out);
        /// The next poll reports the command that stands under key (or every key) again.
        void ForgetCommand(const std::string& key) { seen.erase(key); }
        void ForgetCommands() { seen.clear(); }
        /// How many keys have held a command.
        std::size_t CommandKeys() const { return seen.size(); }

        ServiceSegments& Segments() { return segments; }

    private:
        std::string name;
        std::size_t size = 0;
        ServiceSegments segments;
        std::map<std::string, std::string> seen;
        std::vector<std::pair<std::string, std::string>> read;
    };
}
