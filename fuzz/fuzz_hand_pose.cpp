// HandPose::Deserialize: never throws, round-trips, and its derived values (flexion, OpenXR
// joints) are computed for any shape of lists.
#include <cmath>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

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
    static const TSCore::Kinematics::BasicHandModel models[2] = {TSCore::Kinematics::BasicHandModel::Default(false),
                                                                 TSCore::Kinematics::BasicHandModel::Default(true)};
    TSCore::OpenXRHand::Locations joints;
    if (TSCore::OpenXRHand::Locate(pose, models[pose.isRight ? 1 : 0], true, joints))
        for (const auto& joint : joints.jointLocations)
        {
            const auto& q = joint.pose.orientation;
            TSCoreFuzz::Check(std::fabs(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w - 1.0f) < 1e-3f,
                              "located joints have unit orientations");
        }
    if (TSCoreFuzz::AllFinite(pose.handAngles) && TSCoreFuzz::AllFinite(pose.jointPositions) &&
        TSCoreFuzz::AllFinite(pose.jointRotations))
        TSCoreFuzz::Check(HandPose::Deserialize(pose.Serialize()).Equals(pose), "hand pose round trip");
    return 0;
}
