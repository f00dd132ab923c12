#pragma once

// The force-feedback brakes of a simulated glove's fingers. A finger's closure runs from 0
// (open) to 1 (fist); the motion or a `flex` command says where the wearer takes it.
//
// - When a finger's level rises from 0, its hold point is where the finger is at that
//   moment. Under level L (1..100) it closes at most to hold + (1 - hold) * (100 - L) / 100:
//   level 100 stops it at the hold point, level 50 lets it close half the remaining way. The
//   hold point stays while the level is above 0, so a finger that opened and closes again
//   stops at the same place, as at the surface of a held object.
// - A brake only resists: raised while the finger is past the new limit, it keeps the
//   finger where it is rather than push it open.
// - Opening is never braked: the finger follows an opening motion at once.
// - When the level falls (to 0: released), a finger held behind its motion closes toward it
//   at up to catchUpPerSecond, then follows it again exactly: no jump.
// - Levels above 100 count as 100; a command of four levels (the Kelvo's thumb to ring)
//   brakes the pinky with the ring's level, as the pinky follows the ring's sensor.

#include "Motion.h"

#include <array>
#include <string>
#include <vector>

namespace TessLinkSim
{
    // Finger closures, thumb first, 0 open to 1 closed.
    using Flexion = std::array<double, Motion::fingerCount>;

    class Brakes
    {
    public:
        // Closure per second at which a released finger catches up with its motion.
        static constexpr double catchUpPerSecond = 4.0;
        static constexpr int maxLevel = 100;

        // The closures the fingers reach at t seconds when the wearer wants `wanted`. Calls
        // come in time order; the first places the fingers where they are wanted.
        Flexion Apply(const Flexion& wanted, double t);

        // A command's force levels, thumb first, taking effect where Apply last put the
        // fingers. Missing digits take the last level given; an empty list changes nothing.
        void SetLevels(const std::vector<int>& levels);

        // "ffb=T,I,M,R,P held=T,I,M,R,P closure=T,I,M,R,P": the levels, 1 for a finger the
        // brake keeps from where it is wanted, and the closures (three decimals) of the last
        // Apply.
        std::string ToString() const;

    private:
        struct Finger
        {
            int level = 0;
            double hold = 0.0;
            double closure = 0.0;
            double wanted = 0.0;
        };

        std::array<Finger, Motion::fingerCount> fingers{};
        double lastTime = 0.0;
        bool started = false;
    };
}
