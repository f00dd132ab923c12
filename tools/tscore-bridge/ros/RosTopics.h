#pragma once

// The hand of each side as ROS 2 sees it: topics "rt/<namespace>/<side>/joint_states"
// (sensor_msgs/JointState), ".../joint_poses" (geometry_msgs/PoseArray) and ".../status"
// (diagnostic_msgs/DiagnosticStatus), in DDS's default partition with ROS 2's default QoS
// (reliable, volatile, keep last 10), so that `ros2 topic echo` on the same domain shows them.
// A frame with an incomplete reading is not published; the status says why instead, so that
// a robot holds its position rather than jump to the idle hand.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "Types.h"
#include "dds/Participant.h"
#include "dds/Publisher.h"
#include "dds/Topic.h"
#include "dds/Writer.h"

namespace TSCoreBridge
{
    class RobotTopics;

    class RosTopics
    {
    public:
        using Clock = std::chrono::steady_clock;

        /// Levels of diagnostic_msgs/DiagnosticStatus.
        enum Level : std::uint8_t
        {
            Ok = 0,
            Warn = 1,
            Error = 2,
            Stale = 3,
        };

        /// profiles: the profile of the right hand, then of the left.
        RosTopics(const Dds::Participant& participant, const std::string& name,
                  std::array<TSCore::HandProfile, 2> profiles);

        /// A sensor text of the glove that stands for its side; stamp is the wall-clock time at
        /// which the text was first read (a text published again keeps its time). The hand pose
        /// published, or null for an incomplete reading.
        const TSCore::HandPose* OnText(TSCore::HapticGlove& glove, std::string_view text,
                                       std::chrono::system_clock::time_point stamp);
        /// The robot hand that follows a side (null: none); its state goes into the side's status.
        void SetRobot(bool right, const RobotTopics* robot);
        /// Publishes the side's status now (its robot's state changed).
        void PublishStatusNow(bool right);
        /// No glove stands for the side (none connected, or the service is not running).
        void OnNoGlove(bool right, Level level, const std::string& message);
        /// Repeats every side's status once a second for subscribers that joined late.
        void Tick(Clock::time_point now);

        /// The joint names of a side, in the order of JointState's positions:
        /// "<side>_<digit>_<joint>_<angle>", e.g. "right_index_pip_flexion" or "right_pinky_mcp_spread".
        static std::vector<std::string> JointNames(bool right);
        /// ROS 2 names: letters, digits and '_', in parts separated by '/', not starting with a digit.
        static bool ValidName(const std::string& name);
        /// A wall-clock time as builtin_interfaces/Time.
        static builtin_interfaces_msg_dds__Time_ RosTime(std::chrono::system_clock::time_point stamp);

    private:
        struct Status
        {
            Level level = Stale;
            std::string message;
            std::string hardwareId;
            std::string device;
            bool published = false;
        };

        struct Side
        {
            Side(const Dds::Publisher& publisher, const Dds::Participant& participant, const std::string& prefix,
                 bool right);

            Dds::Topic<sensor_msgs_msg_dds__JointState_> jointTopic;
            Dds::Topic<geometry_msgs_msg_dds__PoseArray_> poseTopic;
            Dds::Topic<diagnostic_msgs_msg_dds__DiagnosticStatus_> statusTopic;
            Dds::Writer<sensor_msgs_msg_dds__JointState_> joints;
            Dds::Writer<geometry_msgs_msg_dds__PoseArray_> poses;
            Dds::Writer<diagnostic_msgs_msg_dds__DiagnosticStatus_> status;
            std::string frame;
            std::string statusName;
            std::vector<std::string> names;
            std::vector<char*> namePointers;
            std::vector<double> positions;
            std::vector<geometry_msgs_msg_dds__Pose_> jointPoses;
            Status current;
            TSCore::HandPose pose;
            const RobotTopics* robot = nullptr;
            std::vector<std::pair<std::string, std::string>> values;
            std::vector<diagnostic_msgs_msg_dds__KeyValue_> valueSamples;
        };

        Side& SideOf(bool right) { return right ? *sides[0] : *sides[1]; }
        void PublishPose(Side& side, std::chrono::system_clock::time_point stamp);
        void SetStatus(Side& side, Status status);
        void PublishStatus(Side& side);

        Dds::Publisher publisher;
        std::array<std::unique_ptr<Side>, 2> sides;
        std::array<TSCore::HandProfile, 2> profiles;
        Clock::time_point nextRepeat;
    };
}
