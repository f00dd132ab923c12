// The simulator as a process: what a library test sees of it from outside.

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

#include <gtest/gtest.h>

#include "ExitCode.h"
#include "Motion.h"
#include "RecordText.h"
#include "SimDevice.h"
#include "SimProcess.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace
{
    namespace bip = boost::interprocess;
    using CharAllocator = bip::allocator<char, bip::managed_shared_memory::segment_manager>;
    using ShmString = bip::basic_string<char, std::char_traits<char>, CharAllocator>;

    using namespace TessLinkSim;
    using namespace ToolCommon::ExitCodes;
    using namespace TSCoreLink;
    using TSCoreTest::RemoveSegments;

    bool SegmentExists(const char* name)
    {
        try
        {
            bip::shared_memory_object object(bip::open_only, name, bip::read_only);
            return true;
        }
        catch (const bip::interprocess_exception&)
        {
            return false;
        }
    }

    // Read the way the library reads: read-only mapping, lookup without lock.
    std::optional<std::string> Read(const char* segment, const std::string& key)
    {
        try
        {
            bip::managed_shared_memory memory(bip::open_read_only, segment);
            const ShmString* text = memory.find_no_lock<ShmString>(key.c_str()).first;
            if (text == nullptr)
                return std::nullopt;
            return std::string(text->c_str());
        }
        catch (const bip::interprocess_exception&)
        {
            return std::nullopt;
        }
    }

    // The simulator as the library's integration tests run it, with the calls these tests use.
    class SimProcess : public TSCoreTest::ChildProcess
    {
    public:
        explicit SimProcess(const std::vector<std::string>& args) { Start(TESSLINK_SIM_PATH, args); }

        // Next stdout line, or nullopt after the timeout.
        std::optional<std::string> Line(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000))
        {
            return WaitForLine([](const std::string&) { return true; }, timeout);
        }

        std::optional<std::string> Command(const std::string& line)
        {
            if (!WriteLine(line))
                return std::nullopt;
            return Line();
        }
    };

    class SimProcessTest : public ::testing::Test
    {
    protected:
        void SetUp() override { RemoveSegments(); }
        void TearDown() override { RemoveSegments(); }
    };
}

TEST_F(SimProcessTest, PublishesDevicesInCommandLineOrderAndCleansUpOnSigterm)
{
    SimProcess sim({"--kelvo", "left", "--beta", "b:h:v1.0", "--tessara", "right", "--record", "1@7@9@{x}@a@1",
                    "--tessara", "right"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(Read("Devices", "nDevices"), "5");
    EXPECT_EQ(Read("Devices", "device0").value_or("").substr(0, 8), "1@0@2@{C");
    EXPECT_EQ(Read("Devices", "device1"), "1@0@-1@{b:h:v1.0}@sim:1@2");
    // Each glove has an identity of its own; the firmware reads as 4.7.
    EXPECT_EQ(Read("Devices", "device2").value_or("").substr(0, 34), "1@0@0@{C:QX7.2-R0001:QX7.2:v4.7:R:");
    EXPECT_EQ(Read("Devices", "device4").value_or("").substr(0, 20), "1@0@0@{C:QX7.2-R0002");
    EXPECT_EQ(Read("Devices", "device3"), "1@7@9@{x}@a@1");
    EXPECT_EQ(Read("Data", "device3"), "");
    EXPECT_EQ(Read("Data", "device1").value_or("").substr(0, 5), "beta ");
    const long long stamp = std::stoll(Read("Devices", "scanActive").value_or("0"));
    EXPECT_LE(std::llabs(stamp - static_cast<long long>(std::time(nullptr))), 1);

    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
    EXPECT_FALSE(SegmentExists("Data"));
    EXPECT_FALSE(SegmentExists("Haptics"));
}

TEST_F(SimProcessTest, ControlChannelChangesWhatIsPublished)
{
    SimProcess sim({"--tessara", "right"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(sim.Command("disconnect 0"), "ok");
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "0");
    EXPECT_EQ(sim.Command("connect 0"), "ok");
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "1");
    EXPECT_EQ(sim.Command("record 1 1@60@-1@{n:h:v1.0}@x@2"), "ok");
    EXPECT_EQ(Read("Devices", "nDevices"), "2");
    EXPECT_EQ(Read("Data", "device1"), "");
    EXPECT_EQ(sim.Command("flex 0 1,1,1,1,1"), "ok");
    usleep(100000);
    Flexion fist;
    fist.fill(1.0);
    const auto fingers = [](const std::string& text) { return SplitFields(text, ':').at(1); };
    EXPECT_EQ(fingers(Read("Data", "device0").value_or(":")),
              fingers(Motion::ExoSensorText(Motion::ShapeOf(fist), true, Motion::Orientation(0.0))));
    EXPECT_EQ(sim.Command("flex 0 1,1,1"), "error: flex takes a glove index and five closures from 0 to 1 "
                                           "(T,I,M,R,P), or 'auto'");
    EXPECT_EQ(sim.Command("flex 1 auto"), "error: device 1 is not a simulated glove");
    EXPECT_EQ(sim.Command("data 0 fixed text"), "ok");
    usleep(100000);
    EXPECT_EQ(Read("Data", "device0"), "fixed text");
    EXPECT_EQ(sim.Command("ndevices 7"), "ok");
    EXPECT_EQ(Read("Devices", "nDevices"), "7");
    EXPECT_EQ(sim.Command("stale"), "ok");
    EXPECT_EQ(std::stoll(Read("Devices", "scanActive").value_or("0")),
              static_cast<long long>(std::time(nullptr)) - 100);
    EXPECT_EQ(sim.Command("scan 30"), "ok");
    EXPECT_NEAR(static_cast<double>(std::stoll(Read("Devices", "scanActive").value_or("0"))),
                static_cast<double>(std::time(nullptr) + 30), 1.0);
    EXPECT_EQ(sim.Command("data 9 x"), "error: no device 9");
    EXPECT_EQ(sim.Command("jump"), "error: unknown command 'jump'");
    EXPECT_EQ(sim.Command("quit"), "ok");
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
}

TEST_F(SimProcessTest, EndOfInputDoesNotStopIt)
{
    SimProcess sim({"--beta", "b"});
    ASSERT_EQ(sim.Line(), "ready");
    sim.CloseInput();
    usleep(200000);
    EXPECT_TRUE(sim.Running());
    EXPECT_EQ(sim.Stop(SIGINT), 0);
    EXPECT_FALSE(SegmentExists("Data"));
}

TEST_F(SimProcessTest, CrashLeavesSegmentsAndTimedRunCleansUp)
{
    {
        SimProcess sim({"--beta", "b", "--crash-after", "0.2"});
        ASSERT_EQ(sim.Line(), "ready");
        EXPECT_EQ(sim.Wait(), exitCrashed);
        EXPECT_TRUE(SegmentExists("Devices"));
        EXPECT_TRUE(SegmentExists("Haptics"));
    }
    // A new run replaces leftovers and removes them at the end.
    SimProcess sim({"--beta", "b", "--seconds", "0.3"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
}

TEST_F(SimProcessTest, SecondServiceRefusesTakeoverReplacesAndEachRemovesOnlyItsOwn)
{
    SimProcess first({"--beta", "first"});
    ASSERT_EQ(first.Line(), "ready");
    {
        SimProcess second({"--beta", "second"});
        EXPECT_EQ(second.Wait(), exitSegmentsOwned);
        const std::string error = second.ErrorText();
        EXPECT_NE(error.find("tesslink-sim (PID " + std::to_string(first.Pid()) + ")"), std::string::npos) << error;
        EXPECT_NE(error.find("--takeover"), std::string::npos) << error;
    }
    EXPECT_NE(Read("Devices", "device0").value_or("").find("{first}"), std::string::npos);

    SimProcess third({"--beta", "third", "--takeover"});
    ASSERT_EQ(third.Line(), "ready");
    EXPECT_NE(third.ErrorText().find("took the segments over from tesslink-sim"), std::string::npos);
    EXPECT_NE(Read("Devices", "device0").value_or("").find("{third}"), std::string::npos);
    EXPECT_EQ(first.Wait(std::chrono::seconds(5)), exitSegmentsOwned) << "the replaced service notices and stops";
    EXPECT_NE(Read("Devices", "device0").value_or("").find("{third}"), std::string::npos)
        << "and leaves the new segments alone";
    EXPECT_TRUE(SegmentExists("Haptics"));
    EXPECT_EQ(third.Stop(SIGTERM), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
    EXPECT_FALSE(SegmentExists("Haptics"));
}

TEST_F(SimProcessTest, ServiceThatRecordsNoProcessCountsAsLiveWhileItsStampIsFresh)
{
    for (const long long age : {0LL, 100LL})
    {
        RemoveSegments();
        {
            bip::managed_shared_memory devices(bip::create_only, "Devices", 65536);
            const std::string stamp = std::to_string(static_cast<long long>(std::time(nullptr)) - age);
            devices.construct<ShmString>("scanActive")(stamp.c_str(), devices.get_segment_manager());
        }
        SimProcess sim({"--beta", "b", "--seconds", "0.2"});
        if (age == 0)
        {
            EXPECT_EQ(sim.Wait(), exitSegmentsOwned);
            EXPECT_NE(sim.ErrorText().find("records no process"), std::string::npos) << sim.ErrorText();
            EXPECT_FALSE(Read("Devices", "nDevices").has_value()) << "nothing touched";
        }
        else
        {
            EXPECT_EQ(sim.Line(), "ready") << "a stale stamp is a leftover";
            EXPECT_EQ(sim.Wait(), 0);
            EXPECT_FALSE(SegmentExists("Devices"));
        }
    }
}

TEST_F(SimProcessTest, FaultOptions)
{
    SimProcess sim({"--beta", "b", "--n-devices", "5", "--scan-offset", "-20", "--disconnect-after", "0.2"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(Read("Devices", "nDevices"), "5");
    EXPECT_NEAR(static_cast<double>(std::stoll(Read("Devices", "scanActive").value_or("0"))),
                static_cast<double>(std::time(nullptr) - 20), 1.0);
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "1");
    usleep(400000);
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "0");
    const auto frozen = Read("Data", "device0");
    usleep(100000);
    EXPECT_EQ(Read("Data", "device0"), frozen) << "a disconnected glove sends nothing new";
}

TEST_F(SimProcessTest, EveryCommandHeldFor5MillisecondsIsReported)
{
    SimProcess sim({"--beta", "b"});
    ASSERT_EQ(sim.Line(), "ready");
    bip::managed_shared_memory haptics(bip::open_only, "Haptics");
    ShmString* command = haptics.find_or_construct<ShmString>("device0")(haptics.get_segment_manager());
    // Held 3 ms, less than the 5 ms promised: a poll every 5 ms would miss most of them. A
    // machine busy enough to keep the simulator off the processor that long can hide one
    // command from any poll, so a round counts when every command of it was reported.
    bool allSeen = false;
    for (int round = 0; round < 5 && !allSeen; ++round)
    {
        std::vector<std::string> expected;
        for (int i = 0; i < 20; ++i)
        {
            const std::string text = std::to_string(round * 100 + i + 10);
            command->assign(text.begin(), text.end());
            std::string hex;
            for (const char c : text)
                hex += "3" + std::string(1, c);
            expected.push_back("haptics device0 beta raw=" + hex);
            usleep(3000);
        }
        allSeen = true;
        for (const std::string& line : expected)
            allSeen = sim.Line(std::chrono::milliseconds(500)) == line && allSeen;
    }
    EXPECT_TRUE(allSeen) << "a command held for 3 ms was not reported in any round";
}

TEST_F(SimProcessTest, ForceFeedbackBrakesTheFingersOfBothGloves)
{
    SimProcess sim({"--tessara", "right", "--kelvo", "left"});
    ASSERT_EQ(sim.Line(), "ready");
    ASSERT_EQ(sim.Command("flex 0 0.3,0.3,0,0,0"), "ok");
    ASSERT_EQ(sim.Command("flex 1 0,0,0,0.4,0.4"), "ok");
    bip::managed_shared_memory haptics(bip::open_only, "Haptics");
    const auto send = [&](const char* key, std::initializer_list<int> bytes)
    {
        std::string text = "{Z";
        for (const int b : bytes)
            text += static_cast<char>(b);
        text += '}';
        haptics.find_or_construct<ShmString>(key)(haptics.get_segment_manager())->assign(text.begin(), text.end());
    };
    // Levels travel as level + 1: the Tessara's five forces, five vibrations and its effect code;
    // the Kelvo's four forces (thumb to ring), magnitude and two vibrations.
    send("device0", {1, 101, 51, 1, 1, 1, 1, 1, 1, 1, 0x01});
    EXPECT_EQ(sim.Line().value_or("").substr(0, 39), "haptics device0 tessara ffb=0,100,50,0,");
    send("device1", {1, 1, 1, 101, 1, 1, 1});
    EXPECT_EQ(sim.Line().value_or("").substr(0, 35), "haptics device1 kelvo ffb=0,0,0,100");

    // The hands close: the index stays, the middle closes half the remaining way.
    ASSERT_EQ(sim.Command("flex 0 1,1,1,1,1"), "ok");
    ASSERT_EQ(sim.Command("flex 1 1,1,1,1,1"), "ok");
    const auto fingers = [](const std::string& text) { return SplitFields(text, ':').at(1); };
    EXPECT_EQ(fingers(Read("Data", "device0").value_or(":")),
              fingers(Motion::ExoSensorText(Motion::ShapeOf({1, 0.3, 0.5, 1, 1}), true, Motion::Orientation(0))));
    EXPECT_EQ(sim.Command("brakes 0"),
              "brakes 0 ffb=0,100,50,0,0 held=0,1,1,0,0 closure=1.000,0.300,0.500,1.000,1.000");
    EXPECT_EQ(sim.Command("brakes 1"),
              "brakes 1 ffb=0,0,0,100,100 held=0,0,0,1,1 closure=1.000,1.000,1.000,0.400,0.400");
    EXPECT_EQ(Read("Data", "device1").value_or("").substr(0, 20), "900;700|900|900|420:");

    // Released: the fingers catch up with the hand within 0.2 s.
    send("device0", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0x01});
    EXPECT_EQ(sim.Line().value_or("").substr(0, 36), "haptics device0 tessara ffb=0,0,0,0,");
    usleep(300000);
    EXPECT_EQ(sim.Command("brakes 0"), "brakes 0 ffb=0,0,0,0,0 held=0,0,0,0,0 closure=1.000,1.000,1.000,1.000,1.000");
    EXPECT_EQ(sim.Command("brakes 2"), "error: no device 2");
}

TEST_F(SimProcessTest, BadArgumentsExitWithStatusTwoAndSayWhy)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--tessara", "middle"}, "--tessara must be right or left"},
        {{"--replay", "/nonexistent"}, "/nonexistent: cannot read recording: No such file or directory"},
        {{"--replay", "/tmp"}, "/tmp: cannot read recording: Is a directory"},
        {{"--motion", "dance"}, "--motion"},
        {{"--beta", "b", "--crash-after", "-1"}, "--crash-after must be 0 seconds or more, not -1"},
        {{"--beta", "b", "--rate", "0"}, "--rate must be from 0.1 to 2000 per second, not 0"},
        {{}, "no devices to announce"},
        {{"--beta", "b", "--loop"}, "--loop and --speed play a recording: they need --replay FILE"},
    };
    for (const auto& [args, message] : cases)
    {
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2) << message;
        EXPECT_NE(sim.ErrorText().find(message), std::string::npos) << sim.ErrorText();
        EXPECT_EQ(sim.ErrorText().find("179769"), std::string::npos) << "no range dump";
        EXPECT_FALSE(SegmentExists("Devices"));
    }
}

TEST_F(SimProcessTest, RecordingCutOffPlaysItsCompleteLines)
{
    const std::string path = "/tmp/tesslink-sim-cut-" + std::to_string(getpid()) + ".jsonl";
    {
        std::ofstream file(path);
        file << "{\"format\":\"tscore-recording\",\"version\":1}\n"
             << "{\"kind\":\"device\",\"key\":\"device0\",\"record\":\"1@60@-1@{r:h:v1.0}@x@2\"}\n"
             << "{\"kind\":\"data\",\"t\":0,\"key\":\"device0\",\"text\":\"first\"}\n"
             << "{\"kind\":\"data\",\"t\":0.01,\"key\":\"de";
    }
    SimProcess sim({"--replay", path});
    ASSERT_EQ(sim.Line(), "ready");
    usleep(100000);
    EXPECT_EQ(Read("Data", "device0"), "first");
    EXPECT_NE(sim.ErrorText().find(path + ":4: the last line is damaged"), std::string::npos) << sim.ErrorText();
    std::remove(path.c_str());
}
