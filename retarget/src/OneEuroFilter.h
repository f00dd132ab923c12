#pragma once

// The one-euro filter (Casiez, Roussel and Vogel, CHI 2012), per variable: an exponential
// smoother whose cutoff rises with the speed, so that a hand at rest is steady and a moving
// one lags little. With t the time step and a(fc) = 1 / (1 + 1 / (2 pi fc t)):
//   speed   d = d_prev + a(d_cutoff) * ((x - y_prev) / t - d_prev)
//   cutoff  fc = min_cutoff + beta * |d|
//   output  y = y_prev + a(fc) * (x - y_prev)
// The output is a blend of values within the box, so it stays within the box.

#include <vector>

#include "RetargetConfig.h"

namespace TSCore::Retarget::detail
{
    class OneEuroFilter
    {
    public:
        void Setup(const FilterConfig& config, std::size_t size);
        /// Forgets the past: the next call passes its input through and starts from it.
        void Reset();
        /// Filters x in place, dt seconds after the previous call.
        void Apply(double* x, double dt);

    private:
        FilterConfig config;
        std::vector<double> value;
        std::vector<double> speed;
        bool started = false;
    };
}
