#pragma once

// A ROS 2 node as the tests need one: plain DDS on ROS 2's topic names, types and default QoS
// (reliable, keep last 10), in the default partition of the test's domain.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Machine.h"
#include "Types.h"
#include "dds/Participant.h"
#include "dds/Publisher.h"
#include "dds/Reader.h"
#include "dds/Subscriber.h"
#include "dds/Topic.h"
#include "dds/Writer.h"

namespace TSCoreBridgeTest
{
    namespace Dds = TSCoreBridge::Dds;

    struct RosNode
    {
        RosNode() : participant(TestNetwork::Domain()), publisher(participant, ""), subscriber(participant, "") {}

        template <class T>
        struct In
        {
            In(RosNode& node, const std::string& name)
                : topic(node.participant, name), reader(node.subscriber, topic, Dds::Qos::Reliable(10))
            {
            }
            /// Every sample that came since the last look, passed to visit.
            std::size_t Take(const std::function<void(const T&)>& visit)
            {
                return reader.Take([&](const T& sample, std::uint64_t) { visit(sample); });
            }
            /// Waits until visit returns true for a sample.
            bool WaitFor(const std::function<bool(const T&)>& visit, std::chrono::milliseconds timeout)
            {
                const auto end = std::chrono::steady_clock::now() + timeout;
                bool done = false;
                while (!done && std::chrono::steady_clock::now() < end)
                {
                    reader.Take([&](const T& sample, std::uint64_t) { done = done || visit(sample); });
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                return done;
            }
            Dds::Topic<T> topic;
            Dds::Reader<T> reader;
        };

        template <class T>
        struct Out
        {
            Out(RosNode& node, const std::string& name)
                : topic(node.participant, name), writer(node.publisher, topic, Dds::Qos::Reliable(10))
            {
            }
            Dds::Topic<T> topic;
            Dds::Writer<T> writer;
        };

        /// One level per value, as a ROS 2 node writes a Float32MultiArray.
        static bool WriteLevels(Out<std_msgs_msg_dds__Float32MultiArray_>& out, std::vector<float> levels)
        {
            std_msgs_msg_dds__Float32MultiArray_ sample{};
            const auto n = static_cast<std::uint32_t>(levels.size());
            sample.data = {n, n, levels.data(), false};
            return out.writer.Write(sample);
        }

        /// A JointState with names and efforts only.
        static bool WriteEfforts(Out<sensor_msgs_msg_dds__JointState_>& out, std::vector<std::string> names,
                                 std::vector<double> efforts)
        {
            std::vector<char*> pointers;
            for (auto& name : names)
                pointers.push_back(name.data());
            sensor_msgs_msg_dds__JointState_ sample{};
            sample.header.frame_id = const_cast<char*>("");
            const auto n = static_cast<std::uint32_t>(names.size());
            const auto e = static_cast<std::uint32_t>(efforts.size());
            sample.name = {n, n, pointers.data(), false};
            sample.effort = {e, e, efforts.data(), false};
            return out.writer.Write(sample);
        }

        Dds::Participant participant;
        Dds::Publisher publisher;
        Dds::Subscriber subscriber;
    };
}
