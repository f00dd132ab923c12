#pragma once

// The one gate for force feedback and vibration that comes from outside the glove machine: the
// commands that mirrors forward and the levels of the ROS 2 topics. Nothing is written unless
// the bridge was told to accept it; every source (a mirror, by its DDS participant, or one ROS
// topic for one glove) counts as alive while it is heard of within the timeout; a glove is
// stopped (force feedback and vibration 0, no thumper) as soon as no source that drove it is
// alive, so that a crashed remote application, a dead robot node or a cut network never leaves a
// wearer's fingers held. When one of several sources of a glove falls silent, the others are
// asked to say their part again (lost).

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace TSCoreBridge
{
    class HapticsGate
    {
    public:
        using Clock = std::chrono::steady_clock;
        /// Writes a command to the device with that index; false when there is no such device
        /// or the write failed.
        using WriteFn = std::function<bool(std::uint32_t index, const std::string& bytes)>;
        /// Sends the device with that index the all-zero command.
        using StopFn = std::function<void(std::uint32_t index)>;
        /// A source of the glove with that index fell silent; others still drive it.
        using LostFn = std::function<void(std::uint32_t index)>;

        enum class Outcome
        {
            Written,
            NotAccepted, ///< the bridge runs without --accept-haptics
            Refused,     ///< unknown device, write failed, or too many sources
        };

        HapticsGate(bool accept, Clock::duration timeout, WriteFn write, StopFn stop, LostFn lost = {});

        /// A mirror's command bytes, written with the write function.
        Outcome OnCommand(std::uint64_t mirror, std::uint32_t index, const std::string& bytes, Clock::time_point now);
        /// Any source's command, written by write (true when it reached the glove).
        Outcome Drive(std::uint64_t source, std::uint32_t index, Clock::time_point now,
                      const std::function<bool()>& write);
        void OnHeartbeat(std::uint64_t mirror, bool leaving, Clock::time_point now);
        /// Stops every glove whose sources are all silent for longer than the timeout or have
        /// left; tells lost about a glove that lost some of its sources but not all.
        void Expire(Clock::time_point now);
        /// Stops every glove still driven (the bridge is stopping).
        void StopAll();

        /// The source drives a glove and was heard of within the timeout.
        bool Live(std::uint64_t source, Clock::time_point now) const;
        bool Accepting() const { return accept; }
        std::size_t DrivenGloves() const { return driven.size(); }

        /// Sources that may drive gloves at the same time; commands of further ones are refused.
        static constexpr std::size_t maxSources = 64;
        /// The id of one of the bridge's own sources (a ROS topic for one glove): from the top of
        /// the range, which DDS's instance handles of participants do not reach in practice.
        static constexpr std::uint64_t LocalSource(std::uint32_t n) { return ~std::uint64_t{0} - n; }

    private:
        bool accept;
        Clock::duration timeout;
        WriteFn write;
        StopFn stop;
        LostFn lost;
        // Sources that sent a command, with the time they were last heard of.
        std::map<std::uint64_t, Clock::time_point> lastHeard;
        // Per glove, the sources whose commands are in effect.
        std::map<std::uint32_t, std::set<std::uint64_t>> driven;
    };
}
