// A build without libTSCoreRetarget: no robot hands.
#include "RobotTopics.h"

namespace TSCoreBridge
{
    struct RobotTopics::Impl
    {
    };

    bool RobotTopics::Available() { return false; }

    std::unique_ptr<RobotTopics> RobotTopics::Load(const std::string& path, std::string& error)
    {
        error = "--retarget " + path +
                ": this tscore-bridge was built without libTSCoreRetarget, which robot hands need (build it with "
                "liburdfdom-dev, liborocos-kdl-dev, libnlopt-cxx-dev, libyaml-cpp-dev and libeigen3-dev installed, "
                "as scripts/setup.sh does)";
        return nullptr;
    }

    RobotTopics::RobotTopics(std::unique_ptr<Impl> i) : impl(std::move(i)) {}
    RobotTopics::~RobotTopics() = default;
    void RobotTopics::Open(const Dds::Participant&, const std::string&, bool) {}
    bool RobotTopics::OnPose(const TSCore::HandPose&, std::chrono::steady_clock::time_point,
                             std::chrono::system_clock::time_point)
    {
        return false;
    }
    std::optional<RosForce::EffortSource> RobotTopics::Effort() const { return std::nullopt; }
    void RobotTopics::Describe(KeyValues&) const {}
}
