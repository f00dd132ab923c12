#include "Ticker.h"

#include <algorithm>
#include <cmath>

#include "StopSignal.h"

namespace ToolCommon
{
    Ticker::Ticker(std::chrono::duration<double> period, Clock::time_point start)
        : start(start), period(period.count() > 1e-9 ? period.count() : 1e-9)
    {
    }

    Ticker Ticker::PerSecond(double rate, Clock::time_point start)
    {
        return Ticker(std::chrono::duration<double>(rate > 0.0 ? 1.0 / rate : 0.0), start);
    }

    void Ticker::Advance(Clock::time_point now)
    {
        ++next;
        if (TimeOf(next + 1) > now)
            return;
        // Two or more ticks behind: on to the first one after now.
        const double behind = std::chrono::duration<double>(now - start).count() / period;
        next = std::max(next, static_cast<std::uint64_t>(std::floor(behind)));
        while (TimeOf(next) <= now)
            ++next;
    }

    bool Ticker::Wait(Clock::time_point notAfter)
    {
        const auto now = Clock::now();
        if (Due(now))
            Advance(now);
        SleepUnlessStopped(std::min(Next(), notAfter));
        return !StopRequested();
    }

    Ticker::Clock::time_point Ticker::At(double seconds) const
    {
        const double bounded = std::clamp(std::isnan(seconds) ? 0.0 : seconds, 0.0, 365.0 * 86400.0);
        return start + std::chrono::round<Clock::duration>(std::chrono::duration<double>(bounded));
    }

    Ticker::Clock::time_point Ticker::TimeOf(std::uint64_t tick) const
    {
        return start +
               std::chrono::round<Clock::duration>(std::chrono::duration<double>(static_cast<double>(tick) * period));
    }
}
