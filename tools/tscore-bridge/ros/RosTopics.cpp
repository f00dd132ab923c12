#include "RosTopics.h"

#include "RobotTopics.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <utility>

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Vect3D.h>

namespace TSCoreBridge
{
    namespace
    {
        using TSCore::Kinematics::Quat;
        using TSCore::Kinematics::Vect3D;

        // ROS 2's default QoS profile.
        constexpr Dds::Qos rosQos = Dds::Qos::Reliable(10);
        constexpr std::size_t digits = 5;
        constexpr std::size_t jointsPerDigit = 3;
        constexpr double metresPerMillimetre = 0.001;
        constexpr auto statusRepeat = std::chrono::seconds(1);

        constexpr const char* digitNames[digits] = {"thumb", "index", "middle", "ring", "pinky"};
        constexpr const char* thumbJoints[jointsPerDigit] = {"cmc", "mcp", "ip"};
        constexpr const char* fingerJoints[jointsPerDigit] = {"mcp", "pip", "dip"};
        // A joint's angles: x twist about the bone, y flexion, z spread (sideways).
        constexpr const char* angleNames[3] = {"twist", "flexion", "spread"};

        const char* SideName(bool right) { return right ? "right" : "left"; }

        // ROS 2 strings are UTF-8; an identity comes from the service's record, which may hold
        // any byte.
        std::string Printable(std::string text)
        {
            for (char& c : text)
                if (c < ' ' || c > '~')
                    c = '?';
            return text;
        }

        Vect3D AngleAt(const TSCore::HandPose& pose, std::size_t digit, std::size_t joint)
        {
            constexpr float missing = std::numeric_limits<float>::quiet_NaN();
            if (digit < pose.handAngles.size() && joint < pose.handAngles[digit].size())
                return pose.handAngles[digit][joint];
            return Vect3D(missing, missing, missing);
        }
    }

    RosTopics::Side::Side(const Dds::Publisher& publisher, const Dds::Participant& participant,
                          const std::string& prefix, bool right)
        : jointTopic(participant, "rt/" + prefix + "/" + SideName(right) + "/joint_states"),
          poseTopic(participant, "rt/" + prefix + "/" + SideName(right) + "/joint_poses"),
          statusTopic(participant, "rt/" + prefix + "/" + SideName(right) + "/status"),
          joints(publisher, jointTopic, rosQos), poses(publisher, poseTopic, rosQos),
          status(publisher, statusTopic, rosQos), statusName(prefix + "/" + SideName(right)), names(JointNames(right)),
          positions(names.size())
    {
        frame = prefix;
        std::replace(frame.begin(), frame.end(), '/', '_');
        frame += std::string("_") + SideName(right) + "_hand";
        for (auto& name : names)
            namePointers.push_back(name.data());
    }

    RosTopics::RosTopics(const Dds::Participant& participant, const std::string& name,
                         std::array<TSCore::HandProfile, 2> profiles)
        : publisher(participant, ""), profiles(std::move(profiles))
    {
        sides[0] = std::make_unique<Side>(publisher, participant, name, true);
        sides[1] = std::make_unique<Side>(publisher, participant, name, false);
    }

    std::vector<std::string> RosTopics::JointNames(bool right)
    {
        std::vector<std::string> names;
        for (std::size_t d = 0; d < digits; ++d)
            for (std::size_t j = 0; j < jointsPerDigit; ++j)
                for (const char* angle : angleNames)
                    names.push_back(std::string(SideName(right)) + "_" + digitNames[d] + "_" +
                                    (d == 0 ? thumbJoints[j] : fingerJoints[j]) + "_" + angle);
        return names;
    }

    builtin_interfaces_msg_dds__Time_ RosTopics::RosTime(std::chrono::system_clock::time_point stamp)
    {
        const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(stamp.time_since_epoch()).count();
        builtin_interfaces_msg_dds__Time_ time{};
        time.sec = static_cast<std::int32_t>(since / 1000000000);
        time.nanosec = static_cast<std::uint32_t>(since % 1000000000);
        return time;
    }

    bool RosTopics::ValidName(const std::string& name)
    {
        bool partStart = true;
        for (char c : name)
        {
            const auto u = static_cast<unsigned char>(c);
            if (c == '/' && !partStart)
                partStart = true;
            else if (std::isalpha(u) || c == '_' || (std::isdigit(u) && !partStart))
                partStart = false;
            else
                return false;
        }
        return !name.empty() && !partStart;
    }

    const TSCore::HandPose* RosTopics::OnText(TSCore::HapticGlove& glove, std::string_view text,
                                              std::chrono::system_clock::time_point stamp)
    {
        const bool right = glove.IsRight();
        Side& side = SideOf(right);
        const TSCore::HandProfile& profile = right ? profiles[0] : profiles[1];
        Status status{Ok, "ok", Printable(glove.GetDeviceID()), glove.GetDeviceKey()};
        const bool complete = TSCore::ServiceReader::HandPoseFromText(glove, text, profile, side.pose);
        if (complete)
        {
            PublishPose(side, stamp);
        }
        else
        {
            status.level = Warn;
            status.message = "incomplete reading; the last pose holds";
        }
        SetStatus(side, std::move(status));
        return complete ? &side.pose : nullptr;
    }

    void RosTopics::SetRobot(bool right, const RobotTopics* robot) { SideOf(right).robot = robot; }

    void RosTopics::PublishStatusNow(bool right)
    {
        if (SideOf(right).current.published)
            PublishStatus(SideOf(right));
    }

    void RosTopics::OnNoGlove(bool right, Level level, const std::string& message)
    {
        SetStatus(SideOf(right), Status{level, message, "", ""});
    }

    void RosTopics::Tick(Clock::time_point now)
    {
        if (now < nextRepeat)
            return;
        nextRepeat = now + statusRepeat;
        for (auto& side : sides)
            if (side->current.published)
                PublishStatus(*side);
    }

    void RosTopics::PublishPose(Side& side, std::chrono::system_clock::time_point stamp)
    {
        std::size_t k = 0;
        for (std::size_t d = 0; d < digits; ++d)
            for (std::size_t j = 0; j < jointsPerDigit; ++j)
            {
                const Vect3D angle = AngleAt(side.pose, d, j);
                side.positions[k++] = angle.x;
                side.positions[k++] = angle.y;
                side.positions[k++] = angle.z;
            }

        sensor_msgs_msg_dds__JointState_ joints{};
        joints.header.stamp = RosTime(stamp);
        joints.header.frame_id = side.frame.data();
        const auto count = static_cast<std::uint32_t>(side.names.size());
        joints.name = {count, count, side.namePointers.data(), false};
        joints.position = {count, count, side.positions.data(), false};
        side.joints.Write(joints);

        side.jointPoses.clear();
        const auto& positions = side.pose.jointPositions;
        const auto& rotations = side.pose.jointRotations;
        for (std::size_t d = 0; d < positions.size(); ++d)
            for (std::size_t j = 0; j < positions[d].size(); ++j)
            {
                const Vect3D& p = positions[d][j];
                const bool rotated = d < rotations.size() && j < rotations[d].size();
                const Quat q = rotated ? rotations[d][j] : Quat::identity;
                geometry_msgs_msg_dds__Pose_ pose{};
                pose.position = {p.x * metresPerMillimetre, p.y * metresPerMillimetre, p.z * metresPerMillimetre};
                pose.orientation = {q.x, q.y, q.z, q.w};
                side.jointPoses.push_back(pose);
            }
        geometry_msgs_msg_dds__PoseArray_ poses{};
        poses.header = joints.header;
        const auto poseCount = static_cast<std::uint32_t>(side.jointPoses.size());
        poses.poses = {poseCount, poseCount, side.jointPoses.data(), false};
        side.poses.Write(poses);
    }

    void RosTopics::SetStatus(Side& side, Status status)
    {
        const Status& current = side.current;
        if (current.published && current.level == status.level && current.message == status.message &&
            current.hardwareId == status.hardwareId && current.device == status.device)
            return;
        side.current = std::move(status);
        PublishStatus(side);
    }

    void RosTopics::PublishStatus(Side& side)
    {
        Status& current = side.current;
        side.values.clear();
        side.values.emplace_back("device", current.device);
        if (side.robot != nullptr)
            side.robot->Describe(side.values);
        side.valueSamples.clear();
        for (auto& [key, value] : side.values)
            side.valueSamples.push_back(diagnostic_msgs_msg_dds__KeyValue_{key.data(), value.data()});
        diagnostic_msgs_msg_dds__DiagnosticStatus_ status{};
        status.level = current.level;
        status.name = side.statusName.data();
        status.message = current.message.data();
        status.hardware_id = current.hardwareId.data();
        const auto count = static_cast<std::uint32_t>(side.valueSamples.size());
        status.values = {count, count, side.valueSamples.data(), false};
        side.status.Write(status);
        current.published = true;
    }
}
