#pragma once

// Haptics from the pages of `tscore view`, on the library's thread. A page asks for levels
// (force feedback and vibration per finger, held until changed), vibration pulses (one finger,
// a level, a duration) and stops; HapticRequest reads and checks each message.
//
// Each answer is {"type":"reply","ok":BOOL,"refused":BOOL,"message":"..."}. Without
// --allow-haptics every such message is refused.

#include <array>
#include <map>
#include <string>

#include "HapticRequest.h"
#include "ViewFrames.h"

namespace TSCoreCli
{
    class ViewHaptics
    {
    public:
        /// Held levels are written again this often, so that a service that restarted with the
        /// same glove (and lost the last command) gets them back.
        static constexpr double resendSeconds = 1.0;

        explicit ViewHaptics(bool allowed) : allowed(allowed) {}

        /// Handles one message from a page; the answer.
        std::string Handle(const std::string& text, const ViewFrames& frames, double now);
        /// Ends pulses that are over and writes what changed, to gloves the service still lists.
        void Tick(ViewFrames& frames, double now);
        /// Switches off every glove driven from the pages (on exit, when the last page closed).
        void StopAll(const ViewFrames& frames);
        bool Driving() const { return !driven.empty(); }

    private:
        using Levels = std::array<int, 5>;
        struct Driven
        {
            /// Kind and ID of the glove driven: another device under its key never gets its levels.
            std::string identity;
            Levels ffb{};
            Levels buzz{};
            Levels pulseLevel{};
            std::array<double, 5> pulseUntil{};
            Levels sentFfb{};
            Levels sentBuzz{};
            bool sent = false;
            double sentAt = 0.0;
        };

        /// The glove's levels as they are now: held levels, raised by running pulses.
        static void Effective(const Driven& d, double now, Levels& ffb, Levels& buzz);
        /// Writes the effective levels; false when the library could not write them.
        static bool Send(const ViewFrames::Glove& glove, Driven& d, double now);
        static std::string Identity(const ViewFrames::Glove& glove) { return glove.kind + " " + glove.id; }
        /// The entry of the glove, started anew when its key names another device now.
        Driven& Of(const ViewFrames::Glove& glove);
        std::string SetLevels(const HapticRequest& request, const ViewFrames::Glove& glove, double now);
        std::string Pulse(const HapticRequest& request, const ViewFrames::Glove& glove, double now);

        bool allowed;
        std::map<std::string, Driven> driven; ///< by device key
    };
}
