#include "RobotTopics.h"

#include <cstdio>

#include <TSCore/Retarget/Retargeter.h>
#include <TSCore/Retarget/RobotJoints.h>

#include "RosTopics.h"
#include "Types.h"
#include "dds/Publisher.h"
#include "dds/Topic.h"
#include "dds/Writer.h"

namespace TSCoreBridge
{
    namespace
    {
        using TSCore::Retarget::Retargeter;

        constexpr Dds::Qos rosQos = Dds::Qos::Reliable(10);

        std::string Fixed(double value, int decimals)
        {
            char text[64];
            std::snprintf(text, sizeof text, "%.*f", decimals, value);
            return text;
        }

        double Seconds(std::chrono::system_clock::time_point t)
        {
            return std::chrono::duration<double>(t.time_since_epoch()).count();
        }
    }

    struct RobotTopics::Impl
    {
        struct Writer
        {
            Writer(const Dds::Participant& participant, const std::string& topic)
                : publisher(participant, ""), topic(participant, topic), writer(publisher, this->topic, rosQos)
            {
            }
            Dds::Publisher publisher;
            Dds::Topic<sensor_msgs_msg_dds__JointState_> topic;
            Dds::Writer<sensor_msgs_msg_dds__JointState_> writer;
        };

        std::string path;
        std::unique_ptr<Retargeter> retargeter;
        std::optional<Writer> out;
        TSCore::Retarget::RobotJoints joints;
        std::vector<char*> names;
        std::string frame;
        std::uint64_t solves = 0;
        double solveMicroseconds = 0.0;
        std::chrono::system_clock::time_point lastSolve{};
        std::string error;

        void Publish(std::chrono::system_clock::time_point stamp);
    };

    bool RobotTopics::Available() { return true; }

    std::unique_ptr<RobotTopics> RobotTopics::Load(const std::string& path, std::string& error)
    {
        auto impl = std::make_unique<Impl>();
        impl->retargeter = Retargeter::Load(path, error);
        if (!impl->retargeter)
            return nullptr;
        const std::string& topic = impl->retargeter->Effort().topic;
        if (!topic.empty() && !RosTopics::ValidName(topic.front() == '/' ? topic.substr(1) : topic))
        {
            error = path + ": effort_feedback.topic: '" + topic +
                    "' is not a ROS 2 topic name (letters, digits and '_' in parts separated by '/')";
            return nullptr;
        }
        impl->path = path;
        impl->frame = impl->retargeter->BaseLink();
        impl->retargeter->Solution(impl->joints);
        return std::unique_ptr<RobotTopics>(new RobotTopics(std::move(impl)));
    }

    RobotTopics::RobotTopics(std::unique_ptr<Impl> i) : impl(std::move(i)) {}
    RobotTopics::~RobotTopics() = default;

    void RobotTopics::Open(const Dds::Participant& participant, const std::string& name, bool right)
    {
        impl->out.emplace(participant, "rt/" + name + (right ? "/right" : "/left") + "/robot/joint_states");
    }

    bool RobotTopics::OnPose(const TSCore::HandPose& pose, std::chrono::steady_clock::time_point seen,
                             std::chrono::system_clock::time_point stamp)
    {
        const auto start = std::chrono::steady_clock::now();
        const double time = std::chrono::duration<double>(seen.time_since_epoch()).count();
        const bool solved = impl->retargeter->Solve(pose, time, impl->joints);
        const std::string before = impl->error;
        if (!solved)
        {
            impl->error = "no solution for the latest reading: its pose lacks a point the configuration matches, "
                          "or holds a value that is not finite";
            return impl->error != before;
        }
        impl->solveMicroseconds =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        impl->error.clear();
        impl->lastSolve = stamp;
        ++impl->solves;
        impl->Publish(stamp);
        return !before.empty();
    }

    void RobotTopics::Impl::Publish(std::chrono::system_clock::time_point stamp)
    {
        if (!out)
            return;
        if (names.size() != joints.names.size())
        {
            names.clear();
            for (auto& name : joints.names)
                names.push_back(name.data());
        }
        sensor_msgs_msg_dds__JointState_ sample{};
        sample.header.stamp = RosTopics::RosTime(stamp);
        sample.header.frame_id = frame.data();
        const auto count = static_cast<std::uint32_t>(names.size());
        sample.name = {count, count, names.data(), false};
        sample.position = {count, count, joints.positions.data(), false};
        out->writer.Write(sample);
    }

    std::optional<RosForce::EffortSource> RobotTopics::Effort() const
    {
        const Retargeter::EffortFeedback& effort = impl->retargeter->Effort();
        if (effort.topic.empty())
            return std::nullopt;
        RosForce::EffortSource source{effort.topic, {}};
        for (const auto& digit : effort.digits)
            source.digits.push_back(HapticInput::EffortDigit{static_cast<std::size_t>(digit.digit), digit.joints,
                                                             digit.minEffort, digit.maxEffort});
        return source;
    }

    void RobotTopics::Describe(KeyValues& out) const
    {
        const Retargeter& r = *impl->retargeter;
        out.emplace_back("retarget_config", impl->path);
        out.emplace_back("retarget_robot", r.RobotName());
        out.emplace_back("retarget_solver", r.SolverInUse() == Retargeter::Solver::Slsqp ? "slsqp" : "dls");
        out.emplace_back("retarget_solves", std::to_string(impl->solves));
        out.emplace_back("retarget_last_solve", impl->solves > 0 ? Fixed(Seconds(impl->lastSolve), 3) : "");
        out.emplace_back("retarget_solve_us", impl->solves > 0 ? Fixed(impl->solveMicroseconds, 1) : "");
        out.emplace_back("retarget_error", impl->error);
    }
}
