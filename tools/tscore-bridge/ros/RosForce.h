#pragma once

// Force feedback and vibration from ROS 2, for the glove that stands for each side:
// "rt/<namespace>/<side>/force_feedback" and ".../vibration" (std_msgs/Float32MultiArray, one
// level 0..1 per digit, thumb first), and, where a retargeting configuration asks for it, force
// from the robot's measured efforts (sensor_msgs/JointState on the topic it names). Every sample
// is checked first (HapticInput) and goes through the bridge's one haptics gate, each topic as a
// source of its own for each glove: a topic that falls silent for the gate's timeout no longer
// counts, and a glove no live topic drives is stopped. The force on a digit is the larger of the
// force topic's and the efforts'.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>

#include "HapticInput.h"
#include "HapticsGate.h"
#include "Types.h"
#include "dds/Participant.h"
#include "dds/Reader.h"
#include "dds/Subscriber.h"
#include "dds/Topic.h"

namespace TSCoreBridge
{
    class RosForce
    {
    public:
        using Clock = std::chrono::steady_clock;

        /// Force from the robot's efforts for one side: the ROS 2 topic and the digits' joints.
        struct EffortSource
        {
            std::string topic;
            std::vector<HapticInput::EffortDigit> digits;
        };

        struct Stats
        {
            std::uint64_t applied = 0;     ///< samples that reached a glove
            std::uint64_t dropped = 0;     ///< failed a check, or no glove stands for the side
            std::uint64_t notAccepted = 0; ///< the bridge runs without --accept-haptics
            std::uint64_t refused = 0;     ///< the gate refused (write failed, too many sources)
        };

        /// efforts: the right side's, then the left's (empty optional: none).
        RosForce(const Dds::Participant& participant, const std::string& name, HapticsGate& gate,
                 std::array<std::optional<EffortSource>, 2> efforts);

        /// The glove that stands for a side now (index -1 and empty: none).
        void SetGlove(bool right, std::int64_t index, std::shared_ptr<TSCore::HapticGlove> glove);
        /// Takes the waiting samples of every topic.
        void Take(Clock::time_point now);
        /// The glove was stopped: the next sample writes its command again, even an unchanged one.
        void Forget(std::uint32_t index);
        /// Writes again what the live topics say to a glove that lost one of its sources; false
        /// when no topic of ours drives it.
        bool Rewrite(std::uint32_t index, Clock::time_point now);

        const Stats& Counts() const { return stats; }
        /// The ROS topic names, for the note at start: "rt/tscore/right/force_feedback, ...".
        std::string Topics() const;

    private:
        enum Kind : std::uint32_t
        {
            Force = 0,
            Vibration = 1,
            Effort = 2,
        };
        static constexpr std::uint32_t kinds = 3;

        struct Side
        {
            Side(const Dds::Participant& participant, const Dds::Subscriber& subscriber, const std::string& prefix,
                 std::optional<EffortSource> effort);

            Dds::Topic<std_msgs_msg_dds__Float32MultiArray_> forceTopic;
            Dds::Topic<std_msgs_msg_dds__Float32MultiArray_> vibrationTopic;
            Dds::Reader<std_msgs_msg_dds__Float32MultiArray_> force;
            Dds::Reader<std_msgs_msg_dds__Float32MultiArray_> vibration;
            std::optional<EffortSource> effortSource;
            std::optional<Dds::Topic<sensor_msgs_msg_dds__JointState_>> effortTopic;
            std::optional<Dds::Reader<sensor_msgs_msg_dds__JointState_>> effort;
            std::string prefix;
            std::int64_t gloveIndex = -1;
            std::shared_ptr<TSCore::HapticGlove> glove;
            std::array<HapticInput::Levels, kinds> levels{};
            /// The glove each kind drove last (-1: none).
            std::array<std::int64_t, kinds> drove{-1, -1, -1};
            /// What was written to gloveIndex last; empty after a stop.
            std::optional<std::array<int, 10>> written;
            std::array<bool, kinds> warned{};
        };

        void OnLevels(Side& side, bool right, Kind kind, HapticInput::Verdict verdict, bool dropped,
                      Clock::time_point now);
        std::array<int, 10> Compose(const Side& side, bool right, std::optional<Kind> current,
                                    Clock::time_point now) const;
        bool Send(Side& side, const std::array<int, 10>& command);
        std::uint64_t Source(bool right, Kind kind, std::int64_t index) const;
        void Warn(Side& side, Kind kind, const std::string& message);

        HapticsGate& gate;
        Dds::Subscriber subscriber;
        std::array<std::unique_ptr<Side>, 2> sides;
        Stats stats;
    };
}
