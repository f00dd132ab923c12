#pragma once

// A haptic command for one glove as tscore sends it: levels per channel and the thumper,
// completed from what the glove's entry in "Haptics" holds now (what the glove was last told,
// by whichever process), written through the library and read back from that entry, so that
// what tscore prints is what the glove receives.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Haptics/TS_ThumperCmd.h>
#include <TSCore/TS/Tessara.h>

#include "CommandBytes.h"
#include "GloveFacts.h"

namespace TSCoreCli
{
    class HapticCommand
    {
    public:
        using Levels = TSCoreLink::CommandLevels;

        explicit HapticCommand(std::shared_ptr<TSCore::HapticGlove> glove);

        TSCoreLink::GloveChannels Channels() const { return TSCoreLink::ChannelsOf(glove->GetDeviceType()); }
        bool IsKelvo() const { return tessara == nullptr; }
        /// A Tessara glove whose firmware takes the thumper's effect byte.
        bool PlaysEffects() const;

        /// What the glove's entry holds now. False when it holds nothing (nothing was sent
        /// since the service made the segment); false with why when its text is of another form.
        bool Current(Levels& out, std::string& why) const;
        /// The force-feedback levels of what the entry holds, one per channel, thumb first: a
        /// finger with a level above 0 is held (the glove resists its flexion with that
        /// percentage of its full force). All 0 when the entry holds nothing; none when it
        /// holds a text of another form.
        std::optional<std::vector<int>> Force() const;
        /// The off command: every level 0, no effect, magnitude 0.
        Levels Off() const;
        /// Writes five ffb and five buzz levels (beyond the glove's channels not sent) and the
        /// thumper: a Tessara's effect code (-1: none), a Kelvo's magnitude. held: the entry
        /// read back; false when it does not hold what was sent.
        bool Send(const Levels& wanted, Levels& held) const;
        /// "ffb 0,50,0,0 (thumb to ring)  buzz 10,20 (thumb, index)  thumper 40".
        std::string Describe(const Levels& levels) const;

        /// The effect an effect name stands for: the names of TS_ThumperCmd, in any case, with
        /// '-', '_' or ' ' between the words ("tap", "double-tap", "LongPulse").
        static std::optional<TSCore::Haptics::TS_ThumperCmd> EffectNamed(const std::string& name);
        /// "Tap, DoubleTap, Knock, Pulse, LongPulse, Rumble, None".
        static std::string EffectNames();
        /// The largest effect code of the table, the smallest being 1.
        static int LastEffectCode();

        /// The fingers (thumb 0 first) that force-feedback levels hold: those above 0.
        static std::vector<std::size_t> HeldFingers(const std::vector<int>& force);

    private:
        std::shared_ptr<TSCore::HapticGlove> glove;
        std::shared_ptr<TSCore::TS::Tessara> tessara; ///< set for a Tessara glove
    };
}
