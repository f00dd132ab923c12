// HandPose::Deserialize: never throws, round-trips, and its derived values are computed for
// any shape of lists.
#include <cmath>

#include <TSCore/Hand/HandPose.h>

#include "FuzzHelpers.h"

using TSCore::HandPose;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HandPose pose = HandPose::Deserialize(TSCoreFuzz::Text(data, size));
    (void)pose.ToString(true);
    const std::vector<float> clamped = pose.GetNormalizedFlexion(true);
    TSCoreFuzz::Check(clamped.size() == 5 && pose.GetNormalizedFlexion(false).size() == 5, "five flexion values");
    for (const float f : clamped)
        TSCoreFuzz::Check(std::isnan(f) || (f >= 0.0f && f <= 1.0f), "clamped flexion within 0 .. 1");
    if (TSCoreFuzz::AllFinite(pose.handAngles) && TSCoreFuzz::AllFinite(pose.jointPositions) &&
        TSCoreFuzz::AllFinite(pose.jointRotations))
        TSCoreFuzz::Check(HandPose::Deserialize(pose.Serialize()).Equals(pose), "hand pose round trip");
    return 0;
}
