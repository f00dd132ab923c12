#include "OneEuroFilter.h"

#include <cmath>

namespace TSCore::Retarget::detail
{
    namespace
    {
        constexpr double twoPi = 6.283185307179586;

        double Alpha(double cutoff, double dt) { return 1.0 / (1.0 + 1.0 / (twoPi * cutoff * dt)); }
    }

    void OneEuroFilter::Setup(const FilterConfig& c, std::size_t size)
    {
        config = c;
        value.assign(size, 0.0);
        speed.assign(size, 0.0);
        started = false;
    }

    void OneEuroFilter::Reset() { started = false; }

    void OneEuroFilter::Apply(double* x, double dt)
    {
        if (config.type == FilterType::None)
            return;
        if (!started)
        {
            for (std::size_t i = 0; i < value.size(); ++i)
            {
                value[i] = x[i];
                speed[i] = 0.0;
            }
            started = true;
            return;
        }
        const double aSpeed = Alpha(config.derivativeCutoff, dt);
        for (std::size_t i = 0; i < value.size(); ++i)
        {
            speed[i] += aSpeed * ((x[i] - value[i]) / dt - speed[i]);
            const double cutoff = config.minCutoff + config.beta * std::fabs(speed[i]);
            value[i] += Alpha(cutoff, dt) * (x[i] - value[i]);
            x[i] = value[i];
        }
    }
}
