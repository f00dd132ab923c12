// Retargeter::FromText over the five-digit test hand's URDF (and the three-finger one's, which
// the text may name): never throws, and a configuration it takes gives a retargeter that
// solves the idle hand within every joint's limits and refuses a pose that is not finite.
#include <cmath>
#include <limits>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Retarget/Retargeter.h>

#include "FuzzHelpers.h"

using TSCore::Retarget::Retargeter;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const std::unique_ptr<Retargeter> r =
        Retargeter::FromText(TSCoreFuzz::Text(data, size), TSCORE_RETARGET_DATA, error);
    TSCoreFuzz::Check(!r == !error.empty(), "an error text exactly when the configuration is refused");
    if (!r)
    {
        TSCoreFuzz::Check(error.rfind("<text>", 0) == 0 || error.rfind(TSCORE_RETARGET_DATA, 0) == 0 ||
                              error.find(": cannot read") != std::string::npos,
                          "the error names the text or the URDF");
        return 0;
    }
    static const TSCore::HandPose idle = TSCore::HandPose::DefaultIdle(true);
    TSCore::Retarget::RobotJoints out;
    TSCoreFuzz::Check(r->Solve(idle, 0.0, out) && r->Solve(idle, 0.001, out), "the idle hand solves");
    TSCoreFuzz::Check(out.positions.size() == r->Joints().size(), "one position per joint");
    for (std::size_t i = 0; i < out.positions.size(); ++i)
    {
        const Retargeter::JointInfo& j = r->Joints()[i];
        TSCoreFuzz::Check(out.positions[i] >= j.lower && out.positions[i] <= j.upper, "solutions keep the limits");
    }
    TSCore::HandPose nan = idle;
    nan.jointPositions[0][3].x = std::numeric_limits<float>::quiet_NaN();
    const std::vector<double> before = out.positions;
    TSCoreFuzz::Check(!r->Solve(nan, 0.002, out) && out.positions == before, "a NaN pose is refused, nothing changed");
    std::vector<TSCore::Kinematics::Vect3D> robot, target;
    r->MatchedPositions(robot, target);
    TSCoreFuzz::Check(robot.size() == r->Mapping().size() && target.size() == robot.size(), "one point per match");
    return 0;
}
