#include "HapticsGate.h"

#include <utility>
#include <vector>

namespace TSCoreBridge
{
    HapticsGate::HapticsGate(bool accept, Clock::duration timeout, WriteFn write, StopFn stop)
        : accept(accept), timeout(timeout), write(std::move(write)), stop(std::move(stop))
    {
    }

    HapticsGate::Outcome HapticsGate::OnCommand(std::uint64_t mirror, std::uint32_t index, const std::string& bytes,
                                                Clock::time_point now)
    {
        if (!accept)
            return Outcome::NotAccepted;
        if (lastHeard.count(mirror) == 0 && lastHeard.size() >= maxMirrors)
            return Outcome::Refused;
        if (!write(index, bytes))
            return Outcome::Refused;
        lastHeard[mirror] = now;
        driven[index].insert(mirror);
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

    void HapticsGate::Expire(Clock::time_point now)
    {
        std::vector<std::uint64_t> gone;
        for (const auto& [mirror, heard] : lastHeard)
            if (heard == Clock::time_point::min() || now - heard > timeout)
                gone.push_back(mirror);
        if (gone.empty())
            return;
        for (std::uint64_t mirror : gone)
            lastHeard.erase(mirror);
        for (auto it = driven.begin(); it != driven.end();)
        {
            for (std::uint64_t mirror : gone)
                it->second.erase(mirror);
            if (it->second.empty())
            {
                stop(it->first);
                it = driven.erase(it);
            }
            else
            {
                ++it;
            }
        }
    }

    void HapticsGate::StopAll()
    {
        for (const auto& entry : driven)
            stop(entry.first);
        driven.clear();
        lastHeard.clear();
    }
}
