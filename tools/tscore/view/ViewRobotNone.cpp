// A build without libTSCoreRetarget: no robot hands.
#include "ViewRobot.h"

namespace TSCoreCli
{
    struct ViewRobot::Impl
    {
    };

    bool ViewRobot::Available() { return false; }

    std::unique_ptr<ViewRobot> ViewRobot::Load(const std::string& path, bool, std::string& error)
    {
        error = "--retarget " + path +
                ": this tscore was built without libTSCoreRetarget, which robot hands need (build it with "
                "liburdfdom-dev, liborocos-kdl-dev, libnlopt-cxx-dev, libyaml-cpp-dev and libeigen3-dev installed, "
                "as scripts/setup.sh does)";
        return nullptr;
    }

    ViewRobot::ViewRobot(std::unique_ptr<Impl> i) : impl(std::move(i)) {}
    ViewRobot::~ViewRobot() = default;
    bool ViewRobot::FollowsRight() const { return true; }
    nlohmann::ordered_json ViewRobot::Describe() const { return nullptr; }
    nlohmann::ordered_json ViewRobot::Follow(const TSCore::HandPose&, const GloveState&, double) { return nullptr; }
}
