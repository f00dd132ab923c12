#pragma once

// The haptics back-channel on the glove machine: commands that mirrors forward are written
// to the local gloves only when the bridge was told to accept them, and a glove is stopped
// (force feedback and vibration 0, no thumper) as soon as no mirror that drove it is alive,
// so that a crashed remote application or a cut network never leaves a wearer's fingers held.

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

        enum class Outcome
        {
            Written,
            NotAccepted, ///< the bridge runs without --accept-haptics
            Refused,     ///< unknown device, write failed, or too many mirrors
        };

        HapticsGate(bool accept, Clock::duration timeout, WriteFn write, StopFn stop);

        Outcome OnCommand(std::uint64_t mirror, std::uint32_t index, const std::string& bytes, Clock::time_point now);
        void OnHeartbeat(std::uint64_t mirror, bool leaving, Clock::time_point now);
        /// Stops every glove whose commanding mirrors are all silent for longer than the timeout
        /// or have left.
        void Expire(Clock::time_point now);
        /// Stops every glove still driven (the bridge is stopping).
        void StopAll();

        bool Accepting() const { return accept; }
        std::size_t DrivenGloves() const { return driven.size(); }

        /// Mirrors that may drive gloves at the same time; commands of further ones are refused.
        static constexpr std::size_t maxMirrors = 64;

    private:
        bool accept;
        Clock::duration timeout;
        WriteFn write;
        StopFn stop;
        // Mirrors that sent a command, with the time they were last heard of.
        std::map<std::uint64_t, Clock::time_point> lastHeard;
        // Per glove, the mirrors whose commands are in effect.
        std::map<std::uint32_t, std::set<std::uint64_t>> driven;
    };
}
