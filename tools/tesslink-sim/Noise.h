#pragma once

// Sensor noise of the simulated gloves: uniform, on the open-to-fist scale of each sensor.

#include <random>

namespace TessLinkSim
{
    class Noise
    {
    public:
        /// amount 0 gives no noise at all.
        explicit Noise(double amount, unsigned seed = 1);
        /// A value in [-amount, amount].
        double Next();

    private:
        double amount;
        std::minstd_rand engine;
    };
}
