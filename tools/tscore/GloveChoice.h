#pragma once

// The gloves a live command shows (`watch` one, `view` every glove by default), kept up to
// date with the service reader's list:
// - A glove once chosen stays while the reader lists that very object, connected or not.
// - When the list changes (a device came, went, or was replaced by another under its key; a
//   service restarted with other gloves), what is gone is dropped and the options pick again:
//   --device N glove N, --right or --left the first connected glove of that side, otherwise
//   the first connected glove (watch) or every glove (view).
// - While the service is stopped and announces nothing, the gloves chosen before stay, so
//   that their last readings can be shown as stopped; a running service's list replaces them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>

#include "Select.h"

namespace TSCoreCli
{
    class GloveChoice
    {
    public:
        /// everyGlove: without --device, --right or --left, every glove rather than the first
        /// connected one.
        GloveChoice(const GloveOptions& options, bool everyGlove) : options(options), everyGlove(everyGlove) {}

        /// After reader.Update(): picks again when the list changed. True when the chosen
        /// gloves changed.
        bool Follow(const TSCore::ServiceReader& reader);

        const std::vector<std::shared_ptr<TSCore::HapticGlove>>& Chosen() const { return chosen; }
        /// What the options wait for when they pick nothing ("" otherwise).
        const std::string& Waiting() const { return waiting; }

    private:
        std::vector<std::shared_ptr<TSCore::HapticGlove>> Pick(const TSCore::ServiceReader& reader);

        GloveOptions options;
        bool everyGlove = false;
        std::vector<std::shared_ptr<TSCore::HapticGlove>> chosen;
        std::string waiting;
        std::uint64_t generation = 0;
        bool picked = false;  ///< Follow has picked at least once
        bool holding = false; ///< the chosen gloves are kept from before a stop
    };
}
