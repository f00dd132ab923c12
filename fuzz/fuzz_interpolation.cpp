// InterpolationSet::Deserialize: never throws, round-trips, and a clamped result of any
// input stays within the set's limits.
#include <cmath>

#include <TSCore/Kinematics/InterpolationSet.h>

#include "FuzzHelpers.h"

using TSCore::Kinematics::InterpolationSet;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const InterpolationSet set = InterpolationSet::Deserialize(TSCoreFuzz::Text(data, size));
    (void)set.ToString(true);
    (void)set.ToString(false);
    if (TSCoreFuzz::Finite(set))
        TSCoreFuzz::Check(InterpolationSet::Deserialize(set.Serialize()).Equals(set), "set round trip");
    for (const float in : {-1.0e30f, -3.0f, 0.0f, 0.5f, 3.0f, 1.0e30f})
    {
        const float out = set.Get(in, true, true);
        // A NaN result (an empty input range) passes the clamp; reversed limits have no inside.
        if (!std::isnan(out) && set.lowerLimit <= set.upperLimit)
            TSCoreFuzz::Check(out >= set.lowerLimit && out <= set.upperLimit, "clamped into the limits");
    }
    return 0;
}
