// Retargeter::FromText over the five-digit test hand's URDF (and the three-finger one's, which
// the text may name), or over a URDF of the input's: after a NUL, the rest is the text of the
// file the configuration names as "fuzz.urdf". Never throws, and a configuration it takes gives
// a retargeter that solves the idle hand within every joint's limits and refuses a pose that is
// not finite.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Retarget/Retargeter.h>

#include "FuzzHelpers.h"

using TSCore::Retarget::Retargeter;

namespace
{
    // The input's URDF, in memory: a file rewritten on disk for every input costs milliseconds.
    int urdf = -1;
    std::string urdfPath;

    // The configuration with "fuzz.urdf" naming the input's URDF, written where it reads it.
    std::string WithUrdf(const std::string& all)
    {
        const std::size_t nul = all.find('\0');
        if (nul == std::string::npos)
            return all;
        const std::size_t length = all.size() - nul - 1;
        if (ftruncate(urdf, 0) != 0 || pwrite(urdf, all.data() + nul + 1, length, 0) != static_cast<ssize_t>(length))
            std::abort();
        std::string yaml = all.substr(0, nul);
        for (std::size_t at = 0; (at = yaml.find("fuzz.urdf", at)) != std::string::npos; at += urdfPath.size())
            yaml.replace(at, 9, urdfPath);
        return yaml;
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    urdf = memfd_create("fuzz.urdf", 0);
    if (urdf < 0)
        std::abort();
    urdfPath = "/proc/self/fd/" + std::to_string(urdf);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const std::unique_ptr<Retargeter> r =
        Retargeter::FromText(WithUrdf(TSCoreFuzz::Text(data, size)), TSCORE_RETARGET_DATA, error);
    TSCoreFuzz::Check(!r == !error.empty(), "an error text exactly when the configuration is refused");
    if (!r)
    {
        TSCoreFuzz::Check(error.rfind("<text>", 0) == 0 || error.rfind(TSCORE_RETARGET_DATA, 0) == 0 ||
                              error.rfind(urdfPath, 0) == 0 || error.find(": cannot read") != std::string::npos,
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
