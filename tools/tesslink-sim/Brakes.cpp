#include "Brakes.h"

#include <algorithm>

namespace TessLinkSim
{
    namespace
    {
        // Below this a finger counts as where it is wanted; the texts carry three decimals.
        constexpr double tolerance = 1e-9;

        template <typename Value, typename Text>
        std::string List(const std::array<Value, Motion::fingerCount>& values, Text text)
        {
            std::string out;
            for (std::size_t f = 0; f < values.size(); ++f)
                out += (f > 0 ? "," : "") + text(values[f]);
            return out;
        }
    }

    Flexion Brakes::Apply(const Flexion& wanted, double t)
    {
        const double dt = started ? std::max(0.0, t - lastTime) : 0.0;
        Flexion out{};
        for (std::size_t f = 0; f < fingers.size(); ++f)
        {
            Finger& finger = fingers[f];
            double goal = wanted[f];
            if (started && goal > finger.closure)
            {
                // Behind its motion since the last call: held, or still catching up.
                const bool behind = finger.closure < finger.wanted - tolerance;
                if (finger.level > 0)
                {
                    const double limit =
                        finger.hold + (1.0 - finger.hold) * static_cast<double>(maxLevel - finger.level) / maxLevel;
                    goal = std::min(goal, std::max(limit, finger.closure));
                }
                if (behind)
                    goal = std::min(goal, finger.closure + catchUpPerSecond * dt);
            }
            finger.closure = goal;
            finger.wanted = wanted[f];
            out[f] = goal;
        }
        lastTime = t;
        started = true;
        return out;
    }

    void Brakes::SetLevels(const std::vector<int>& levels)
    {
        if (levels.empty())
            return;
        for (std::size_t f = 0; f < fingers.size(); ++f)
        {
            Finger& finger = fingers[f];
            const int level = std::clamp(levels[std::min(f, levels.size() - 1)], 0, maxLevel);
            if (finger.level == 0 && level > 0)
                finger.hold = finger.closure;
            finger.level = level;
        }
    }

    std::string Brakes::ToString() const
    {
        std::array<int, Motion::fingerCount> levels{}, held{};
        Flexion closures{};
        for (std::size_t f = 0; f < fingers.size(); ++f)
        {
            levels[f] = fingers[f].level;
            held[f] = fingers[f].level > 0 && fingers[f].closure < fingers[f].wanted - tolerance ? 1 : 0;
            closures[f] = fingers[f].closure;
        }
        const auto integer = [](int value) { return std::to_string(value); };
        return "ffb=" + List(levels, integer) + " held=" + List(held, integer) +
               " closure=" + List(closures, Motion::Fixed3);
    }
}
