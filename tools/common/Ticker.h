#pragma once

// A fixed-rate schedule: tick k is due at start + k * period, so the time each pass takes does
// not move the ticks after it (no drift). After a stall the ticks missed are skipped, never
// made up in a burst: one tick that is late by less than a period still runs at once (timer
// jitter does not cost ticks), but when the tick after it is due too the schedule resumes with
// the first tick after now, on the same grid.

#include <chrono>
#include <cstdint>

namespace ToolCommon
{
    class Ticker
    {
    public:
        using Clock = std::chrono::steady_clock;

        /// Tick 0 is due at start. A period that is not above 0 (or NaN) counts as 1 ns.
        explicit Ticker(std::chrono::duration<double> period, Clock::time_point start = Clock::now());
        /// rate ticks per second.
        static Ticker PerSecond(double rate, Clock::time_point start = Clock::now());

        /// When the next tick is due.
        Clock::time_point Next() const { return TimeOf(next); }
        bool Due(Clock::time_point now) const { return now >= Next(); }
        /// The tick due is done: moves to the one after it, or past a stall (above).
        void Advance(Clock::time_point now);
        /// For a loop that does one pass per tick: advances past the tick due, then sleeps until
        /// the next one, until notAfter if that comes first, or until a stop is requested.
        /// False once a stop is requested.
        bool Wait(Clock::time_point notAfter = Clock::time_point::max());
        /// start + seconds (at most a year on), e.g. the end of a loop that runs for seconds.
        Clock::time_point At(double seconds) const;

    private:
        Clock::time_point TimeOf(std::uint64_t tick) const;

        Clock::time_point start;
        double period; // seconds
        std::uint64_t next = 0;
    };
}
