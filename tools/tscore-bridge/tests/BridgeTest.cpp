// The bridge as users run it: tesslink-sim and `tscore-bridge publish` on machine A,
// `tscore-bridge mirror` and unmodified tscore on machine B.

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "BridgeFixture.h"
#include "Types.h"
#include "dds/Participant.h"
#include "dds/Reader.h"
#include "dds/Subscriber.h"
#include "dds/Topic.h"

using namespace std::chrono_literals;
using namespace TSCoreBridgeTest;
namespace Dds = TSCoreBridge::Dds;

namespace
{
    /// A plain ROS 2 subscriber of one hand's joint states: only the ROS 2 topic name, type and
    /// default QoS, in the default partition.
    class JointStateReader
    {
    public:
        explicit JointStateReader(const std::string& side)
            : participant(TestNetwork::Domain()), subscriber(participant, ""),
              topic(participant, "rt/tscore/" + side + "/joint_states"),
              reader(subscriber, topic, Dds::Qos::Reliable(10))
        {
        }

        /// The joint names of the first sample, with as many finite positions; empty on timeout.
        std::vector<std::string> WaitForNames(std::chrono::milliseconds timeout)
        {
            std::vector<std::string> names;
            const auto end = std::chrono::steady_clock::now() + timeout;
            while (names.empty() && std::chrono::steady_clock::now() < end)
            {
                reader.Take(
                    [&](const sensor_msgs_msg_dds__JointState_& sample, std::uint64_t)
                    {
                        if (!names.empty() || sample.position._length != sample.name._length)
                            return;
                        for (std::uint32_t i = 0; i < sample.name._length; ++i)
                            if (std::isfinite(sample.position._buffer[i]))
                                names.emplace_back(sample.name._buffer[i]);
                    });
                std::this_thread::sleep_for(20ms);
            }
            return names;
        }

    private:
        Dds::Participant participant;
        Dds::Subscriber subscriber;
        Dds::Topic<sensor_msgs_msg_dds__JointState_> topic;
        Dds::Reader<sensor_msgs_msg_dds__JointState_> reader;
    };

    bool Has(const std::vector<std::string>& names, const std::string& name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    bool IsZeroCommand(const std::string& line)
    {
        return line.rfind("haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0", 0) == 0;
    }
}

TEST_F(BridgeTest, RemoteMachineSeesTheSameGlovesPosesAndSendsTheSameCommands)
{
    JointStateReader rightJoints("right");
    JointStateReader leftJoints("left");
    ASSERT_TRUE(StartSim({"--tessara", "right", "--kelvo", "left"}));
    ASSERT_TRUE(StartPublisher(publisher, {"--accept-haptics"}));
    ASSERT_TRUE(StartMirror());

    // The same devices with the same records, and the service running.
    EXPECT_TRUE(ListsAgree(10s));

    // ROS 2 sees one named joint angle per degree of freedom of each hand.
    const auto right = rightJoints.WaitForNames(10s);
    EXPECT_EQ(right.size(), 45u);
    EXPECT_TRUE(Has(right, "right_index_pip_flexion") && Has(right, "right_thumb_cmc_twist") &&
                Has(right, "right_pinky_dip_abduction"));
    const auto left = leftJoints.WaitForNames(10s);
    EXPECT_EQ(left.size(), 45u);
    EXPECT_TRUE(Has(left, "left_middle_mcp_flexion") && Has(left, "left_thumb_ip_flexion"));

    // The same sensor text gives the same hand pose on both machines.
    const auto texts = Texts(a);
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_TRUE(sim.Control("data 0 " + texts.at("device0")));
    ASSERT_TRUE(sim.Control("data 1 " + texts.at("device1")));
    ASSERT_TRUE(WaitUntil([&] { return Texts(b) == texts; }, 5s));
    for (const std::string device : {"0", "1"})
    {
        const RunResult poseA = Tscore(a, {"pose", "--device", device, "--json"});
        ASSERT_EQ(poseA.exitCode, 0);
        // Everything but the time of reading and the age of the service's stamp, which are each
        // machine's own.
        auto pose = [](const std::string& text)
        {
            auto json = nlohmann::json::parse(text, nullptr, false);
            if (json.is_object())
            {
                json.erase("time");
                json["state"].erase("stampAge");
            }
            return json;
        };
        const RunResult poseB = Tscore(b, {"pose", "--device", device, "--json"});
        EXPECT_FALSE(pose(poseA.out).is_discarded());
        EXPECT_EQ(pose(poseB.out), pose(poseA.out)) << "device " << device << "\n" << poseB.out << poseA.out;
    }

    // A command given on B reaches A's glove byte for byte: as the one given on A itself.
    const std::vector<std::string> hold{"haptics", "--device", "0", "--ffb", "0,50,50,0,0", "--buzz", "0,80,0,0,0"};
    ASSERT_EQ(Tscore(a, hold).exitCode, 0);
    const auto local = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(local);
    ASSERT_EQ(Tscore(a, {"haptics", "--device", "0", "--stop"}).exitCode, 0);
    ASSERT_TRUE(sim.WaitForLine(IsZeroCommand));
    ASSERT_EQ(Tscore(b, hold).exitCode, 0);
    EXPECT_EQ(sim.WaitForPrefix("haptics device0").value_or("nothing"), *local);

    // The mirror dies with the force feedback held: A's glove is released within 200 ms.
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_NE(mirror.Stop(SIGKILL), 0);
    ASSERT_TRUE(sim.WaitForLine(IsZeroCommand, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 200ms);
    EXPECT_EQ(publisher.Stop(), 0);
    EXPECT_EQ(Stats(publisher)["stops"], 1);
}

TEST_F(BridgeTest, MirrorOutlivesItsPublisherAndDropsCommandsNotAccepted)
{
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    ASSERT_TRUE(StartPublisher(publisher));
    ASSERT_TRUE(StartMirror());
    ASSERT_TRUE(WaitUntil([&] { return Tscore(b, {"pose", "--json"}).exitCode == 0; }, 10s));

    // Killed publisher: applications on B get no reading, then the service reads as stopped.
    publisher.Stop(SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return Tscore(b, {"list"}).exitCode == 3; }, 10s));
    EXPECT_EQ(Tscore(b, {"pose", "--json"}).exitCode, 3) << "what the service left is not current";
    EXPECT_TRUE(mirror.Running());

    // A new publisher: B resumes without a new mirror.
    ChildProcess again;
    ASSERT_TRUE(StartPublisher(again));
    EXPECT_TRUE(WaitUntil([&] { return Tscore(b, {"list"}).exitCode == 0; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return Tscore(b, {"pose", "--json"}).exitCode == 0; }, 10s));

    // Without --accept-haptics nothing reaches the glove, and the drop is counted.
    ASSERT_EQ(Tscore(b, {"haptics", "--device", "0", "--ffb", "0,50,0,0,0"}).exitCode, 0);
    EXPECT_FALSE(sim.WaitForPrefix("haptics", 1s));
    EXPECT_EQ(again.Stop(), 0);
    EXPECT_EQ(Stats(again)["not-accepted"], 1);
    EXPECT_EQ(mirror.Stop(), 0);
}
