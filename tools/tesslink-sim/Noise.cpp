#include "Noise.h"

namespace TessLinkSim
{
    Noise::Noise(double amount, unsigned seed) : amount(amount), engine(seed) {}

    double Noise::Next()
    {
        if (amount <= 0.0)
            return 0.0;
        return std::uniform_real_distribution<double>(-amount, amount)(engine);
    }
}
