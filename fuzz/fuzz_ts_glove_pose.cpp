// TS_GlovePose::Deserialize: never throws, round-trips, and its derived values (thimbles,
// fingertips, totals) are computed without reading outside the lists.
#include <TSCore/TS/TS_GlovePose.h>
#include <TSCore/TS/TS_HandProfile.h>

#include "FuzzHelpers.h"

using TSCore::TS::TS_GlovePose;
using TSCore::TS::TS_HandProfile;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TS_GlovePose pose = TS_GlovePose::Deserialize(TSCoreFuzz::Text(data, size));
    (void)pose.ToString(true);
    (void)pose.ToString(false);
    TSCoreFuzz::Check(pose.ThimblePositions().size() == pose.jointPositions.size(), "one thimble per finger list");
    TSCoreFuzz::Check(pose.ThimbleRotations().size() == pose.jointRotations.size(), "one rotation per finger list");
    TSCoreFuzz::Check(pose.TotalGloveAngles().size() == pose.gloveAngles.size(), "one total per finger list");
    (void)pose.CalculateFingerTips(TS_HandProfile::Default(pose.isRight));
    (void)pose.CalculateFingerTips(std::vector<TSCore::Kinematics::Vect3D>());

    if (TSCoreFuzz::AllFinite(pose.gloveAngles) && TSCoreFuzz::AllFinite(pose.jointPositions) &&
        TSCoreFuzz::AllFinite(pose.jointRotations))
        TSCoreFuzz::Check(TS_GlovePose::Deserialize(pose.Serialize()).Equals(pose), "glove pose round trip");
    return 0;
}
