#include "HapticsGate.h"

#include <utility>
#include <vector>

namespace TSCoreBridge
{
    HapticsGate::HapticsGate(bool accept, Clock::duration timeout, WriteFn write, StopFn stop, LostFn lost)
        : accept(accept), timeout(timeout), write(std::move(write)), stop(std::move(stop)), lost(std::move(lost))
    {
    }

    HapticsGate::Outcome HapticsGate::OnCommand(std::uint64_t mirror, std::uint32_t index, const std::string& bytes,
                                                Clock::time_point now)
    {
        return Drive(mirror, index, now, [&] { return write(index, bytes); });
    }

    HapticsGate::Outcome HapticsGate::Drive(std::uint64_t source, std::uint32_t index, Clock::time_point now,
                                            const std::function<bool()>& writeCommand)
    {
        if (!accept)
            return Outcome::NotAccepted;
        if (lastHeard.count(source) == 0 && lastHeard.size() >= maxSources)
            return Outcome::Refused;
        if (!writeCommand())
            return Outcome::Refused;
        lastHeard[source] = now;
        driven[index].insert(source);
        return Outcome::Written;
    }

    void HapticsGate::OnHeartbeat(std::uint64_t mirror, bool leaving, Clock::time_point now)
    {
        const auto known = lastHeard.find(mirror);
        if (known == lastHeard.end())
            return; // a mirror that never commanded holds nothing
        if (leaving)
            known->second = Clock::time_point::min(); // expires at the next check
        else if (now > known->second)
            known->second = now;
    }

    bool HapticsGate::Live(std::uint64_t source, Clock::time_point now) const
    {
        const auto known = lastHeard.find(source);
        return known != lastHeard.end() && known->second != Clock::time_point::min() && now - known->second <= timeout;
    }

    void HapticsGate::Expire(Clock::time_point now)
    {
        std::vector<std::uint64_t> gone;
        for (const auto& [source, heard] : lastHeard)
            if (!Live(source, now))
                gone.push_back(source);
        if (gone.empty())
            return;
        for (std::uint64_t source : gone)
            lastHeard.erase(source);
        std::vector<std::uint32_t> stopped;
        std::vector<std::uint32_t> weakened;
        for (auto it = driven.begin(); it != driven.end();)
        {
            std::size_t erased = 0;
            for (std::uint64_t source : gone)
                erased += it->second.erase(source);
            if (it->second.empty())
            {
                stopped.push_back(it->first);
                it = driven.erase(it);
                continue;
            }
            if (erased > 0)
                weakened.push_back(it->first);
            ++it;
        }
        // After the gate's own state is settled: the callbacks may drive gloves again.
        for (std::uint32_t index : stopped)
            stop(index);
        for (std::uint32_t index : weakened)
            if (lost)
                lost(index);
    }

    void HapticsGate::StopAll()
    {
        for (const auto& entry : driven)
            stop(entry.first);
        driven.clear();
        lastHeard.clear();
    }
}
