// A robot hand on the glove machine's publisher: its joint states go out with every reading of
// the glove, and force comes back from ROS 2 topics and from the robot's efforts, through the
// same gate as the mirrors' commands.

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BridgeFixture.h"
#include "RobotTopics.h"
#include "RosNode.h"

using namespace std::chrono_literals;
using namespace TSCoreBridgeTest;

namespace
{
    const std::string hand = TSCORE_RETARGET_DATA "/five_digit_hand.yaml";

    double Seconds(const builtin_interfaces_msg_dds__Time_& t) { return t.sec + 1e-9 * t.nanosec; }

    bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    /// Publishes the latest levels every 20 ms, as a robot controller does, until told to stop.
    class Repeater
    {
    public:
        explicit Repeater(RosNode::Out<std_msgs_msg_dds__Float32MultiArray_>& out) : out(out) {}
        ~Repeater() { Stop(); }

        void Set(std::vector<float> next)
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                levels = std::move(next);
            }
            if (!thread.joinable())
                thread = std::thread(
                    [this]
                    {
                        while (!stop)
                        {
                            std::vector<float> now;
                            {
                                std::lock_guard<std::mutex> lock(mutex);
                                now = levels;
                            }
                            RosNode::WriteLevels(out, now);
                            std::this_thread::sleep_for(20ms);
                        }
                    });
        }

        void Stop()
        {
            stop = true;
            if (thread.joinable())
                thread.join();
        }

    private:
        RosNode::Out<std_msgs_msg_dds__Float32MultiArray_>& out;
        std::mutex mutex;
        std::vector<float> levels;
        std::atomic<bool> stop{false};
        std::thread thread;
    };

    std::vector<std::string> Names(const sensor_msgs_msg_dds__JointState_& s)
    {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < s.name._length; ++i)
            names.emplace_back(s.name._buffer[i]);
        return names;
    }
}

// A configuration that cannot be used ends the publisher before it publishes anything.
TEST_F(BridgeTest, RobotHandThatCannotBeLoadedEndsThePublisher)
{
    if (!TSCoreBridge::RobotTopics::Available())
        GTEST_SKIP() << "this build has no libTSCoreRetarget (scripts/setup.sh installs what it needs)";
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    const std::string bad = (std::filesystem::temp_directory_path() / "tscore-bridge-bad-hand.yaml").string();
    std::ofstream(bad) << "urdf: " TSCORE_RETARGET_DATA "/five_digit_hand.urdf\nbase_link: palm\n"
                       << "digits:\n  index: {tip: index_tipp}\n";
    auto args = [&](std::vector<std::string> extra)
    {
        std::vector<std::string> all{"publish"};
        for (const auto& arg : NetworkArgs())
            all.push_back(arg);
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const RunResult refused = a.Run(TSCORE_BRIDGE_PATH, args({"--retarget", "right=" + bad}));
    EXPECT_EQ(refused.exitCode, 5) << "a configuration that cannot be used is an input that cannot be read";
    EXPECT_TRUE(Has(refused.err, bad + ":4: digits.index.tip: no link 'index_tipp'")) << refused.err;
    EXPECT_FALSE(Has(refused.out, "ready"));
    EXPECT_EQ(a.Run(TSCORE_BRIDGE_PATH, args({"--retarget", "up=" + hand})).exitCode, 2);
    EXPECT_EQ(a.Run(TSCORE_BRIDGE_PATH, args({"--retarget", "right=" + hand, "--no-ros"})).exitCode, 2);
    std::filesystem::remove(bad);
}

TEST_F(BridgeTest, RobotHandFollowsEveryReadingOfTheGloveAndSaysHowInItsStatus)
{
    if (!TSCoreBridge::RobotTopics::Available())
        GTEST_SKIP() << "this build has no libTSCoreRetarget (scripts/setup.sh installs what it needs)";
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    RosNode node;
    RosNode::In<sensor_msgs_msg_dds__JointState_> robot(node, "rt/tscore/right/robot/joint_states");
    RosNode::In<sensor_msgs_msg_dds__JointState_> human(node, "rt/tscore/right/joint_states");
    RosNode::In<diagnostic_msgs_msg_dds__DiagnosticStatus_> status(node, "rt/tscore/right/status");
    ASSERT_TRUE(StartPublisher(publisher, {"--retarget", "right=" + hand}));

    // The robot's 20 joints, once for every reading of the glove, stamped as the hand is.
    std::vector<std::string> names;
    ASSERT_TRUE(robot.WaitFor([&](const auto& s) { return !(names = Names(s)).empty(); }, 10s));
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(names.front(), "thumb_spread");
    std::set<double> robotStamps;
    std::set<double> humanStamps;
    robot.Take([](const auto&) {});
    human.Take([](const auto&) {});
    for (const auto end = std::chrono::steady_clock::now() + 1s; std::chrono::steady_clock::now() < end;)
    {
        std::this_thread::sleep_for(10ms);
        robot.Take(
            [&](const sensor_msgs_msg_dds__JointState_& s)
            {
                robotStamps.insert(Seconds(s.header.stamp));
                for (std::uint32_t i = 0; i < s.position._length; ++i)
                    EXPECT_TRUE(std::isfinite(s.position._buffer[i]));
            });
        human.Take([&](const sensor_msgs_msg_dds__JointState_& s) { humanStamps.insert(Seconds(s.header.stamp)); });
    }
    EXPECT_GT(robotStamps.size(), 10u) << "the simulated glove writes 60 texts a second";
    std::size_t same = 0;
    for (double stamp : robotStamps)
        same += humanStamps.count(stamp);
    EXPECT_GE(same + 2, robotStamps.size());
    EXPECT_LE(robotStamps.size(), humanStamps.size() + 2);

    // The side's status says which robot follows it and how its solves go.
    std::string robotName;
    std::string solves;
    EXPECT_TRUE(status.WaitFor(
        [&](const diagnostic_msgs_msg_dds__DiagnosticStatus_& s)
        {
            for (std::uint32_t i = 0; i < s.values._length; ++i)
            {
                const std::string key = s.values._buffer[i].key;
                if (key == "retarget_robot")
                    robotName = s.values._buffer[i].value;
                if (key == "retarget_solves")
                    solves = s.values._buffer[i].value;
            }
            return !solves.empty() && solves != "0";
        },
        3s));
    EXPECT_EQ(robotName, "five_digit_hand");
}

TEST_F(BridgeTest, ForceFromRosTopicsAndTheRobotsEffortsReachesTheGloveAndIsReleased)
{
    if (!TSCoreBridge::RobotTopics::Available())
        GTEST_SKIP() << "this build has no libTSCoreRetarget (scripts/setup.sh installs what it needs)";
    ASSERT_TRUE(StartSim({"--tessara", "right"}));
    RosNode node;
    RosNode::Out<std_msgs_msg_dds__Float32MultiArray_> force(node, "rt/tscore/right/force_feedback");
    RosNode::Out<std_msgs_msg_dds__Float32MultiArray_> vibration(node, "rt/tscore/right/vibration");
    RosNode::Out<sensor_msgs_msg_dds__JointState_> efforts(node, "rt/robot/joint_states");
    ASSERT_TRUE(StartPublisher(publisher, {"--accept-haptics", "--retarget", "right=" + hand}));

    // Force and vibration from ROS 2, thumb first; a sample that fails a check changes nothing.
    Repeater forceLevels(force);
    forceLevels.Set({0.0f, 0.5f, 0.25f, 0.0f, 0.0f});
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,50,25,0,0 buzz=0,0,0,0,0"));
    for (const std::vector<float>& wrong :
         {std::vector<float>{0, NAN, 0, 0, 0}, {0, 1.5f, 0, 0, 0}, {0, 1, 0, 0}, {-0.1f, 0, 0, 0, 0}})
        RosNode::WriteLevels(force, wrong);
    Repeater buzz(vibration);
    buzz.Set({0.0f, 0.8f, 0.0f, 0.0f, 0.0f});
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,50,25,0,0 buzz=0,80,0,0,0"));

    // The robot's efforts: full force at max or more, linear from min; the stronger force wins.
    for (int i = 0; i < 10; ++i)
    {
        RosNode::WriteEfforts(efforts, {"thumb_mcp", "index_pip", "ring_pip"}, {-0.15, 0.3, 5.0});
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=50,100,25,0,0 buzz=0,80,0,0,0"));

    // Every source falls silent: released within the gate's 150 ms, and the silence of one source
    // leaves the others' part.
    buzz.Stop();
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,50,25,0,0 buzz=0,0,0,0,0", 2s));
    forceLevels.Stop();
    const auto silent = std::chrono::steady_clock::now();
    EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0", 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - silent, 400ms);

    EXPECT_EQ(publisher.Stop(), 0);
    auto stats = Stats(publisher);
    EXPECT_EQ(stats["ros-dropped"], 4);
    EXPECT_GT(stats["ros-haptics"], 10);

    // Without --accept-haptics nothing from ROS 2 reaches the glove; it is counted.
    ChildProcess closed;
    ASSERT_TRUE(StartPublisher(closed));
    Repeater again(force);
    again.Set({1, 1, 1, 1, 1});
    std::this_thread::sleep_for(1s);
    again.Stop();
    EXPECT_EQ(closed.Stop(), 0);
    EXPECT_GT(Stats(closed)["ros-not-accepted"], 5);
    EXPECT_FALSE(sim.WaitForPrefix("haptics device0 tessara ffb=100", 100ms));
}

namespace
{
    /// The index finger's closure and whether its brake holds it, from the simulator's "brakes 0".
    bool IndexBrake(TSCoreTest::SimProcess& sim, double& closure, bool& held)
    {
        if (!sim.WriteLine("brakes 0"))
            return false;
        const auto line = sim.WaitForLine(
            [](const std::string& l) { return l.rfind("brakes 0 ", 0) == 0 || l.rfind("error", 0) == 0; }, 2s);
        const auto heldAt = line ? line->find(" held=") : std::string::npos;
        const auto closureAt = line ? line->find(" closure=") : std::string::npos;
        if (heldAt == std::string::npos || closureAt == std::string::npos)
            return false;
        held = line->compare(heldAt + 6, 3, "0,1") == 0;
        closure = std::stod(line->substr(line->find(',', closureAt) + 1));
        return true;
    }

    double WallNow()
    {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    }
}

// The loop as a teleoperation rig runs it, every part a process of its own: the simulated glove,
// the publisher with the robot hand, and a robot node that touches a virtual sphere with the
// robot's index tip and answers with force. The robot's tip enters the sphere when its index_pip
// joint reaches 0.6 rad (the node's joint-space sphere); the wearer's index closes steadily at 2
// closures per second (flex), so every 50 ms of delay would let it close 0.1 further.
TEST_F(BridgeTest, ClosedLoopStopsTheFingerAtTheSphereAndLetsItGoWhenTheForceIsGone)
{
    if (!TSCoreBridge::RobotTopics::Available())
        GTEST_SKIP() << "this build has no libTSCoreRetarget (scripts/setup.sh installs what it needs)";
    ASSERT_TRUE(StartSim({"--tessara", "right", "--rate", "1000"}));
    double closure = 0.0;
    bool held = false;
    if (!IndexBrake(sim, closure, held))
        GTEST_SKIP() << "this tesslink-sim has no brakes ('brakes I'): the loop needs a finger that force stops";
    ASSERT_TRUE(sim.Control("flex 0 0,0,0,0,0"));
    ASSERT_TRUE(StartPublisher(publisher, {"--accept-haptics", "--retarget", "right=" + hand}));
    ChildProcess robot;
    ASSERT_TRUE(robot.Start(TSCORE_BRIDGE_ROBOT_NODE_PATH, {std::to_string(domain), "0.6"}));
    ASSERT_TRUE(robot.WaitForLine([](const std::string& l) { return l == "ready"; }));
    std::this_thread::sleep_for(500ms); // the node's zero force and the joint states flow

    // Close the index from open to fist, noting when each closure was set.
    std::vector<std::pair<double, double>> ramp; // wall time, closure
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; step <= 200; ++step)
    {
        std::this_thread::sleep_until(start + step * 5ms);
        const double c = step / 200.0;
        ASSERT_TRUE(sim.Control("flex 0 0," + std::to_string(c) + ",0,0,0"));
        ramp.emplace_back(WallNow(), c);
    }
    const auto contact = robot.WaitForPrefix("contact ", 2s);
    ASSERT_TRUE(contact) << robot.ErrorText();
    const double touched = std::stod(contact->substr(8));
    ASSERT_TRUE(IndexBrake(sim, closure, held));
    EXPECT_TRUE(held) << "the brake holds the index short of the fist";
    EXPECT_LT(closure, 0.9);
    // The closure the wearer's finger had when the robot touched, and when it was stopped.
    double atContact = 0.0;
    double stoppedAt = ramp.back().first;
    for (const auto& [time, c] : ramp)
    {
        if (time <= touched)
            atContact = c;
        if (c >= closure - 1e-9 && time < stoppedAt)
            stoppedAt = time;
    }
    EXPECT_GT(atContact, 0.1) << "the robot touches when the finger is partly closed";
    EXPECT_LE(stoppedAt - touched, 0.050) << "stopped at closure " << closure << ", touched at " << atContact;

    // The sphere goes away: the force is gone, and the finger closes to where the wearer puts it.
    ASSERT_TRUE(robot.WriteLine("sphere off"));
    EXPECT_TRUE(robot.WaitForPrefix("clear "));
    EXPECT_TRUE(WaitUntil([&] { return IndexBrake(sim, closure, held) && !held && closure > 0.99; }, 2s))
        << "closure " << closure;
    robot.WriteLine("quit");
    EXPECT_EQ(robot.Wait(5s), 0);
}
