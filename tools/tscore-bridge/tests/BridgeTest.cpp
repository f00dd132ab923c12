// The bridge as users run it: tesslink-sim and `tscore-bridge publish` on machine A,
// `tscore-bridge mirror` and unmodified tscore on machine B.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "BridgeFixture.h"
#include "RosNode.h"

using namespace std::chrono_literals;
using namespace TSCoreBridgeTest;

namespace
{
    using JointStates = RosNode::In<sensor_msgs_msg_dds__JointState_>;

    /// The stamps (seconds since 1970) of the joint states that came since the last look.
    std::vector<double> Stamps(JointStates& in)
    {
        std::vector<double> stamps;
        in.Take([&](const sensor_msgs_msg_dds__JointState_& s)
                { stamps.push_back(s.header.stamp.sec + 1e-9 * s.header.stamp.nanosec); });
        return stamps;
    }

    /// The joint names of the first sample with as many finite positions; empty on timeout.
    std::vector<std::string> WaitForNames(JointStates& in, std::chrono::milliseconds timeout)
    {
        std::vector<std::string> names;
        in.WaitFor(
            [&](const sensor_msgs_msg_dds__JointState_& s)
            {
                if (s.position._length != s.name._length)
                    return false;
                for (std::uint32_t i = 0; i < s.name._length; ++i)
                    if (std::isfinite(s.position._buffer[i]))
                        names.emplace_back(s.name._buffer[i]);
                return !names.empty();
            },
            timeout);
        return names;
    }

    bool Has(const std::vector<std::string>& names, const std::string& name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    bool IsZeroCommand(const std::string& line)
    {
        return line.rfind("haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0", 0) == 0;
    }

    double Now() { return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count(); }

    bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    /// One named joint angle per degree of freedom of the hand, among them `some`.
    void ExpectHandJoints(JointStates& in, const std::vector<std::string>& some)
    {
        const auto names = WaitForNames(in, 10s);
        EXPECT_EQ(names.size(), 45u);
        for (const auto& name : some)
            EXPECT_TRUE(Has(names, name)) << name;
    }

    /// `tscore pose --json` but for the time of reading and the age of the service's stamp, which
    /// are each machine's own.
    nlohmann::json PoseWithoutLocalTimes(const std::string& text)
    {
        auto json = nlohmann::json::parse(text, nullptr, false);
        if (json.is_object())
        {
            json.erase("time");
            json["state"].erase("stampAge");
        }
        return json;
    }
}

TEST_F(BridgeTest, RemoteMachineSeesTheSameGlovesPosesAndSendsTheSameCommands)
{
    RosNode ros;
    JointStates rightJoints(ros, "rt/tscore/right/joint_states");
    JointStates leftJoints(ros, "rt/tscore/left/joint_states");
    ASSERT_TRUE(StartSim({"--tessara", "right", "--kelvo", "left"}));
    ASSERT_TRUE(StartPublisher(publisher, {"--accept-haptics"}));
    ASSERT_TRUE(StartMirror());

    // The same devices with the same records, and the service running; one device fewer
    // announced on A is one fewer on B.
    EXPECT_TRUE(ListsAgree(10s));
    ASSERT_TRUE(sim.Control("ndevices 1"));
    EXPECT_TRUE(ListsAgree(10s));
    EXPECT_FALSE(Has(Tscore(b, {"list"}).out, "device1"));
    ASSERT_TRUE(sim.Control("ndevices auto"));
    EXPECT_TRUE(ListsAgree(10s));

    // ROS 2 sees one named joint angle per degree of freedom of each hand.
    ExpectHandJoints(rightJoints, {"right_index_pip_flexion", "right_thumb_cmc_twist", "right_pinky_dip_spread"});
    ExpectHandJoints(leftJoints, {"left_middle_mcp_flexion", "left_thumb_ip_flexion"});

    // The same sensor text gives the same hand pose on both machines.
    const auto texts = Texts(a);
    ASSERT_EQ(texts.size(), 2u);
    const double fixed = Now();
    ASSERT_TRUE(sim.Control("data 0 " + texts.at("device0")));
    ASSERT_TRUE(sim.Control("data 1 " + texts.at("device1")));
    ASSERT_TRUE(WaitUntil([&] { return Texts(b) == texts; }, 5s));
    for (const std::string device : {"0", "1"})
    {
        const RunResult poseA = Tscore(a, {"pose", "--device", device, "--json"});
        ASSERT_EQ(poseA.exitCode, 0);
        const RunResult poseB = Tscore(b, {"pose", "--device", device, "--json"});
        EXPECT_FALSE(PoseWithoutLocalTimes(poseA.out).is_discarded());
        EXPECT_EQ(PoseWithoutLocalTimes(poseB.out), PoseWithoutLocalTimes(poseA.out))
            << "device " << device << "\n" << poseB.out << poseA.out;
    }

    // A pose is stamped with the time its text was first read, also when it goes out again (the
    // glove stands for its side anew).
    ASSERT_TRUE(sim.Control("disconnect 0"));
    ASSERT_TRUE(WaitUntil([&] { return Has(Tscore(b, {"list"}).out, "right  no"); }, 5s));
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point() +
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(fixed + 1.5)));
    Stamps(rightJoints);
    ASSERT_TRUE(sim.Control("connect 0"));
    std::vector<double> stamps;
    ASSERT_TRUE(WaitUntil([&] { return !(stamps = Stamps(rightJoints)).empty(); }, 5s));
    EXPECT_LT(stamps.back(), fixed + 0.5);
    EXPECT_GT(stamps.back(), fixed - 0.5);

    // A command given on B reaches A's glove byte for byte: as the one given on A itself.
    const std::vector<std::string> hold{"haptics", "--device", "0", "--ffb", "0,50,50,0,0", "--buzz", "0,80,0,0,0"};
    ASSERT_EQ(Tscore(a, hold).exitCode, 0);
    const auto local = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(local);
    ASSERT_EQ(Tscore(a, {"haptics", "--device", "0", "--stop"}).exitCode, 0);
    ASSERT_TRUE(sim.WaitForLine(IsZeroCommand));
    ASSERT_EQ(Tscore(b, hold).exitCode, 0);
    EXPECT_EQ(sim.WaitForPrefix("haptics device0").value_or("nothing"), *local);

    // The mirror stalls for longer than the gate waits: the glove is released, and once the
    // mirror is back the command that stands on B holds it again.
    ASSERT_EQ(kill(mirror.Pid(), SIGSTOP), 0);
    EXPECT_TRUE(sim.WaitForLine(IsZeroCommand, 2s));
    ASSERT_EQ(kill(mirror.Pid(), SIGCONT), 0);
    EXPECT_EQ(sim.WaitForPrefix("haptics device0").value_or("nothing"), *local);

    // The mirror dies with the force feedback held: A's glove is released within 200 ms.
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_NE(mirror.Stop(SIGKILL), 0);
    ASSERT_TRUE(sim.WaitForLine(IsZeroCommand, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 200ms);
    EXPECT_EQ(publisher.Stop(), 0);
    EXPECT_EQ(Stats(publisher)["stops"], 2);
}

TEST_F(BridgeTest, MirrorFollowsRestartsAndNamesTheMachineThatLacksWhat)
{
    ASSERT_TRUE(StartSim({"--tessara", "right", "--kelvo", "left"}));
    ASSERT_TRUE(StartPublisher(publisher));
    ASSERT_TRUE(StartMirror());
    ASSERT_TRUE(WaitUntil([&] { return Tscore(b, {"pose", "--json"}).exitCode == 0; }, 10s));

    // Without --accept-haptics nothing reaches the glove, and B's tscore says so.
    const std::vector<std::string> hold{"haptics", "--device", "0", "--ffb", "0,50,0,0,0"};
    const RunResult dropped = Tscore(b, hold);
    EXPECT_EQ(dropped.exitCode, 8);
    EXPECT_TRUE(Has(dropped.err, "without --accept-haptics")) << dropped.err;
    EXPECT_FALSE(Has(dropped.out, "Sent"));

    // Killed publisher: applications on B get no reading, and B's tools name what is missing.
    publisher.Stop(SIGKILL);
    RunResult list;
    EXPECT_TRUE(WaitUntil([&] { return (list = Tscore(b, {"list"})).exitCode == 3; }, 10s));
    EXPECT_TRUE(Has(list.err, "mirror running, no publisher heard")) << list.err;
    EXPECT_TRUE(Has(list.err, "domain " + std::to_string(domain) + ", partition \"" + TestNetwork::Partition() +
                                  "\", without DDS Security"))
        << list.err;
    EXPECT_EQ(Tscore(b, {"pose", "--json"}).exitCode, 3) << "what the service left is not current";
    EXPECT_EQ(Tscore(b, hold).exitCode, 3);
    EXPECT_TRUE(mirror.Running());

    // A new publisher that accepts haptics: B resumes without a new mirror.
    ChildProcess again;
    ASSERT_TRUE(StartPublisher(again, {"--accept-haptics"}));
    EXPECT_TRUE(WaitUntil([&] { return Tscore(b, {"list"}).exitCode == 0; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return Tscore(b, {"pose", "--json"}).exitCode == 0; }, 10s));
    ASSERT_EQ(Tscore(b, hold).exitCode, 0);
    const auto held = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(held);

    // Stopped, the publisher releases the glove; restarted, it gets the command that stands on B.
    EXPECT_EQ(again.Stop(), 0);
    EXPECT_TRUE(sim.WaitForLine(IsZeroCommand));
    ChildProcess third;
    ASSERT_TRUE(StartPublisher(third, {"--accept-haptics"}));
    EXPECT_EQ(sim.WaitForPrefix("haptics device0").value_or("nothing"), *held);

    // The service is replaced by one with other gloves: B follows within a second.
    TSCoreTest::SimProcess other;
    ASSERT_TRUE(a.Start(other, TESSLINK_SIM_PATH,
                        {"--kelvo", "right", "--tessara", "left", "--tessara", "right", "--takeover"}) &&
                other.WaitForLine([](const std::string& l) { return l == "ready"; }));
    const auto lists = [&](const std::string& device, const std::string& kind)
    {
        const std::string out = Tscore(b, {"list"}).out;
        const auto at = out.find(device + "  ");
        return at != std::string::npos && out.compare(at + device.size() + 2, kind.size(), kind) == 0;
    };
    EXPECT_TRUE(WaitUntil([&] { return lists("device0", "Kelvo") && lists("device2", "Tessara"); }, 1s));
    EXPECT_TRUE(ListsAgree(10s));

    // A record that names no device: B lists the device above it at its index, as A does.
    ASSERT_TRUE(other.Control("record 1 1@60@99@{x}@sim:1@0"));
    EXPECT_TRUE(WaitUntil([&] { return !lists("device1", "Tessara"); }, 5s));
    EXPECT_TRUE(ListsAgree(10s));
    EXPECT_TRUE(lists("device2", "Tessara"));
    EXPECT_EQ(third.Stop(), 0);
    EXPECT_EQ(Stats(third)["commands"], 1);
    EXPECT_EQ(mirror.Stop(), 0);
}

// DDS Security as make-security.sh sets it up, on the highest domain it grants, which is the
// highest the bridge takes.
TEST_F(BridgeTest, SecuredBridgeOnTheHighestDomainAndAMirrorWithoutIdentitySaysWhatItWaitsOn)
{
    const RunResult beyond = a.Run(TSCORE_BRIDGE_PATH, {"publish", "--domain", "231"});
    EXPECT_EQ(beyond.exitCode, 2);
    EXPECT_TRUE(Has(beyond.err, "230")) << beyond.err;
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("tscore-bridge-security-" + std::to_string(getpid()))).string();
    const RunResult made = TSCoreTest::Run(TSCORE_BRIDGE_SECURITY_SCRIPT, {dir});
    if (made.exitCode != 0)
        GTEST_SKIP() << "DDS Security cannot be set up here: " << made.err;
    const auto configure = [&](const char* machine)
    { setenv("CYCLONEDDS_URI", ("file://" + dir + "/" + machine + "/cyclonedds.xml").c_str(), 1); };
    domain = 230;
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    configure("glove-pc");
    ASSERT_TRUE(StartPublisher(publisher, {"--accept-haptics"})) << publisher.ErrorText();

    // A mirror without an identity hears nothing, and says what it waits on.
    TestNetwork::Configure();
    ASSERT_TRUE(StartMirror());
    EXPECT_TRUE(Has(mirror.ErrorText(), "domain 230")) << mirror.ErrorText();
    std::this_thread::sleep_for(2s);
    const RunResult list = Tscore(b, {"list"});
    EXPECT_EQ(list.exitCode, 3);
    EXPECT_TRUE(Has(list.err, "no publisher heard: it waits on DDS domain 230")) << list.err;
    EXPECT_TRUE(Has(list.err, "without DDS Security")) << list.err;

    // With its identity, the same gloves, and commands that reach them.
    EXPECT_EQ(mirror.Stop(), 0);
    configure("remote-pc");
    ChildProcess secured;
    ASSERT_TRUE(StartMirror(secured));
    TestNetwork::Configure();
    EXPECT_TRUE(ListsAgree(30s));
    EXPECT_EQ(Tscore(b, {"haptics", "--device", "0", "--ffb", "0,30,0,0,0"}).exitCode, 0);
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,30,0,0,0"));
    EXPECT_EQ(secured.Stop(), 0);
    std::filesystem::remove_all(dir);
}
