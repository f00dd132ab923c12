// InterpolationSet::Deserialize and HandInterpolator::Deserialize: never throw, round-trip,
// and interpolation of any sensor angles stays inside the lists.
#include <TSCore/Kinematics/HandInterpolator.h>

#include "FuzzHelpers.h"

using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::InterpolationSet;
using TSCore::Kinematics::Vect3D;

namespace
{
    bool Finite(const InterpolationSet& s)
    {
        return std::isfinite(s.inStart) && std::isfinite(s.inEnd) && std::isfinite(s.outStart) &&
               std::isfinite(s.outEnd) && std::isfinite(s.lowerLimit) && std::isfinite(s.upperLimit);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = TSCoreFuzz::Text(data, size);

    const InterpolationSet set = InterpolationSet::Deserialize(text);
    if (Finite(set))
        TSCoreFuzz::Check(InterpolationSet::Deserialize(set.Serialize()).Equals(set), "set round trip");
    (void)set.ToString(true);

    HandInterpolator h = HandInterpolator::Deserialize(text);
    bool finite = TSCoreFuzz::Finite(h.thumbStartRotation);
    for (const auto& digit : h.interpolationSets)
        for (const InterpolationSet& s : digit)
            finite = finite && Finite(s);
    if (finite)
        TSCoreFuzz::Check(HandInterpolator::Deserialize(h.Serialize()).Equals(h), "interpolator round trip");

    const auto hand = HandInterpolator::InterpolateHandAngles(h, std::vector<Vect3D>(5, Vect3D(0.3f, 1.2f, -0.4f)));
    TSCoreFuzz::Check(hand.size() == 5, "five digits interpolated");
    return 0;
}
