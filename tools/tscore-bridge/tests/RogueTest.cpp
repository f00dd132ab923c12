// A rogue DDS writer on the bridge's topics: the mirror checks every sample, drops and counts
// what does not pass, and keeps its segments consistent.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <string>
#include <thread>

#include "BridgeFixture.h"
#include "BridgeSession.h"
#include "Protocol.h"
#include "Rogue.h"
#include "Types.h"
#include "dds/Publisher.h"
#include "dds/Writer.h"

using namespace std::chrono_literals;
using namespace TSCoreBridgeTest;
namespace Dds = TSCoreBridge::Dds;
namespace Protocol = TSCoreBridge::Protocol;

namespace
{
    // The unbounded types under the real type names, without type information, so that they
    // are matched by name as a foreign DDS implementation's would be.
    dds_topic_descriptor_t Impersonate(const dds_topic_descriptor_t& d, const char* name)
    {
        return {d.m_size,     d.m_align,    d.m_flagset & ~DDS_TOPIC_XTYPES_METADATA,
                d.m_nkeys,    name,         d.m_keys,
                d.m_nops,     d.m_ops,      d.m_meta,
                {nullptr, 0}, {nullptr, 0}, d.restrict_data_representation};
    }
}

template <>
struct TSCoreBridge::Dds::Type<tscore_bridge_rogue_Sensor>
{
    static const dds_topic_descriptor_t& Descriptor()
    {
        static const dds_topic_descriptor_t d = Impersonate(tscore_bridge_rogue_Sensor_desc, "tscore_bridge::Sensor");
        return d;
    }
};

namespace
{
    struct Rogue
    {
        Rogue()
            : session(TestNetwork::Domain(), TestNetwork::Partition()),
              service(session.publisher, session.topics.service, Protocol::heartbeatQos),
              device(session.publisher, session.topics.device, Protocol::deviceQos),
              sensor(session.publisher, session.topics.sensor, Protocol::sensorQos),
              state(session.publisher, *session.topics.publisherState, Protocol::heartbeatQos),
              other(TestNetwork::Domain()), otherPublisher(other, TestNetwork::Partition()),
              unboundedTopic(other, Protocol::sensorTopic),
              unbounded(otherPublisher, unboundedTopic, Protocol::sensorQos)
        {
        }

        ~Rogue() { StopBeating(); }

        void Beat(std::uint32_t count) { service.Write(tscore_bridge_Service{true, count, false}); }

        /// Heartbeats as a publisher sends them, however slow the test's own steps are.
        void StartBeating(std::uint32_t count)
        {
            beating = true;
            beater = std::thread(
                [this, count]
                {
                    while (beating)
                    {
                        Beat(count);
                        std::this_thread::sleep_for(Protocol::serviceHeartbeat);
                    }
                });
        }

        void StopBeating()
        {
            beating = false;
            if (beater.joinable())
                beater.join();
        }

        void Record(std::uint32_t index, const std::string& record)
        {
            tscore_bridge_Device sample{};
            sample.index = index;
            record.copy(sample.record, sizeof sample.record - 1);
            device.Write(sample);
        }

        void Text(std::uint32_t index, std::uint64_t seq, const std::string& text)
        {
            tscore_bridge_Sensor sample{};
            sample.index = index;
            sample.seq = seq;
            text.copy(sample.text, sizeof sample.text - 1);
            sensor.Write(sample);
        }

        TSCoreBridge::BridgeSession session;
        Dds::Writer<tscore_bridge_Service> service;
        Dds::Writer<tscore_bridge_Device> device;
        Dds::Writer<tscore_bridge_Sensor> sensor;
        Dds::Writer<tscore_bridge_PublisherState> state;
        // A second participant: one may not hold two types under one topic name.
        Dds::Participant other;
        Dds::Publisher otherPublisher;
        Dds::Topic<tscore_bridge_rogue_Sensor> unboundedTopic;
        Dds::Writer<tscore_bridge_rogue_Sensor> unbounded;
        std::atomic<bool> beating{false};
        std::thread beater;
    };

    const std::string rogueRecord = "1@60@-1@{rogue:HW:v1.0}@rogue@0";
}

TEST_F(BridgeTest, MirrorChecksEverySampleOfARogueWriter)
{
    ASSERT_TRUE(StartMirror());
    Rogue rogue;

    // Alone on the network, the rogue is the publisher the mirror follows.
    rogue.Record(0, rogueRecord);
    rogue.StartBeating(1);
    std::uint64_t seq = 10;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            rogue.Text(0, ++seq, "fresh");
            return Texts(b)["device0"] == "fresh";
        },
        10s));

    // Replayed, out of range, too few fields, too many devices, a stamp age beyond any clock,
    // beyond the text bound: none lands.
    rogue.Text(0, 3, "replayed");
    rogue.Text(Protocol::maxDevices, ++seq, "out of range");
    rogue.Record(Protocol::maxDevices + 5, rogueRecord);
    rogue.Record(0, "no fields");
    rogue.service.Write(tscore_bridge_Service{true, Protocol::maxDevices + 1, false});
    rogue.state.Write(tscore_bridge_PublisherState{true, true, std::numeric_limits<long long>::min(), {}});
    std::string huge(Protocol::maxText + 100, 'x');
    tscore_bridge_rogue_Sensor oversized{0, ++seq, huge.data()};
    EXPECT_TRUE(rogue.unbounded.Write(oversized));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Texts(b)["device0"], "fresh");
    const RunResult list = Tscore(b, {"list"});
    EXPECT_EQ(list.exitCode, 0) << list.out;
    EXPECT_NE(list.out.find("rogue"), std::string::npos) << list.out;

    // Once the real publisher is followed, the rogue's samples are foreign.
    rogue.StopBeating();
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    ASSERT_TRUE(StartPublisher(publisher));
    ASSERT_TRUE(ListsAgree(10s));
    rogue.Beat(5);
    rogue.Record(0, rogueRecord);
    rogue.Text(0, 1000000, "intruder");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Tscore(b, {"list"}).out.find("rogue"), std::string::npos);
    EXPECT_NE(Texts(b)["device0"], "intruder");
    EXPECT_TRUE(ListsAgree(5s));

    ASSERT_EQ(mirror.Stop(), 0);
    auto stats = Stats(mirror);
    EXPECT_EQ(stats["out-of-order"], 1);
    EXPECT_EQ(stats["malformed"], 5);
    EXPECT_GE(stats["foreign"], 3);
    EXPECT_EQ(stats["write-failures"], 0);
}
