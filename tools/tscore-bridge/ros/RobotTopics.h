#pragma once

// A robot hand that follows one side's glove: the retargeting configuration loaded at start,
// the robot's joint positions solved from every new reading's hand pose and published as
// sensor_msgs/JointState on "rt/<namespace>/<side>/robot/joint_states" (the robot's joint names,
// stamped with the reading time), and what the side's DiagnosticStatus says of it. Built on
// libTSCoreRetarget; a build without it has no robot hands (Available() is false and Load says
// why).

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <TSCore/Hand/HandPose.h>

#include "RosForce.h"
#include "dds/Participant.h"

namespace TSCoreBridge
{
    class RobotTopics
    {
    public:
        using KeyValues = std::vector<std::pair<std::string, std::string>>;

        /// Whether this build drives robot hands.
        static bool Available();
        /// Reads the configuration and the URDF it names; empty with error ("file:line:
        /// element: problem") when they cannot be used.
        static std::unique_ptr<RobotTopics> Load(const std::string& path, std::string& error);
        ~RobotTopics();
        RobotTopics(const RobotTopics&) = delete;
        RobotTopics& operator=(const RobotTopics&) = delete;

        /// Creates the joint states' writer of the side, under the ROS namespace name.
        void Open(const Dds::Participant& participant, const std::string& name, bool right);
        /// Solves for a complete hand pose first read at seen (steady clock) and stamp (wall
        /// clock), and publishes the joint states; nothing when the pose cannot be solved.
        /// True when what Describe says changed in a way a subscriber should hear at once.
        bool OnPose(const TSCore::HandPose& pose, std::chrono::steady_clock::time_point seen,
                    std::chrono::system_clock::time_point stamp);
        /// Force from the robot's efforts, when the configuration asks for it.
        std::optional<RosForce::EffortSource> Effort() const;
        /// For the side's DiagnosticStatus: retarget_config, retarget_robot, retarget_solver,
        /// retarget_solves, retarget_last_solve, retarget_solve_us, retarget_error.
        void Describe(KeyValues& out) const;

    private:
        struct Impl;
        explicit RobotTopics(std::unique_ptr<Impl> impl);
        std::unique_ptr<Impl> impl;
    };
}
