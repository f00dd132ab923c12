// tscore as a user runs it: a real tscore process against a real tesslink-sim process.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include "SimProcess.h"

#ifdef TSCORE_CLI_PATH

namespace fs = std::filesystem;
using nlohmann::json;
using TSCore::DeviceList;
using TSCoreTest::RunResult;
using TSCoreTest::SimProcess;

namespace
{
    RunResult Tscore(const std::vector<std::string>& args)
    {
        return TSCoreTest::Run(TSCORE_CLI_PATH, args, std::chrono::seconds(30));
    }

    std::string ReadText(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    /// Every number of two JSON documents agrees within tol, and everything else exactly.
    bool Near(const json& a, const json& b, double tol)
    {
        if (a.is_number() && b.is_number())
            return std::fabs(a.get<double>() - b.get<double>()) <= tol;
        if (a.type() != b.type() || a.size() != b.size())
            return false;
        if (a.is_array())
        {
            for (std::size_t i = 0; i < a.size(); ++i)
                if (!Near(a[i], b[i], tol))
                    return false;
            return true;
        }
        if (a.is_object())
        {
            for (auto it = a.begin(); it != a.end(); ++it)
                if (!b.contains(it.key()) || !Near(it.value(), b[it.key()], tol))
                    return false;
            return true;
        }
        return a == b;
    }

    class Cli : public testing::Test
    {
    protected:
        void SetUp() override
        {
            TSCoreTest::RemoveSegments();
            DeviceList::Dispose();
            DeviceList::ReInitialize();
            dir = fs::temp_directory_path() / ("tscore-cli-test-" + std::to_string(getpid()));
            fs::create_directories(dir);
        }
        void TearDown() override
        {
            sim.Stop();
            replay.Stop();
            DeviceList::Dispose();
            DeviceList::ReInitialize();
            TSCoreTest::RemoveSegments();
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }

        std::string File(const std::string& name) const { return (dir / name).string(); }

        json PoseJson(const std::vector<std::string>& extra = {})
        {
            std::vector<std::string> args{"pose", "--json"};
            args.insert(args.end(), extra.begin(), extra.end());
            const RunResult r = Tscore(args);
            EXPECT_EQ(r.exitCode, 0) << r.out;
            return json::parse(r.out, nullptr, false);
        }

        SimProcess sim;
        SimProcess replay; ///< a stopped child cannot be started again
        fs::path dir;
    };
}

TEST_F(Cli, ErrorsHaveTheirOwnExitCodes)
{
    // No service at all.
    RunResult r = Tscore({"list"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.out.find("Connection service: not running"), std::string::npos) << r.out;
    EXPECT_EQ(Tscore({"pose"}).exitCode, 3);
    EXPECT_EQ(Tscore({"haptics", "--stop"}).exitCode, 3);

    // Arguments are checked before anything is opened.
    EXPECT_EQ(Tscore({}).exitCode, 2);
    EXPECT_EQ(Tscore({"record", "--seconds", "1"}).exitCode, 2) << "--out is required";
    EXPECT_EQ(Tscore({"haptics", "--ffb", "1,2,3"}).exitCode, 2) << "five levels";
    EXPECT_EQ(Tscore({"haptics", "--buzz", "0,0,101,0,0"}).exitCode, 2) << "levels are percent";
    EXPECT_EQ(Tscore({"watch", "--right", "--left"}).exitCode, 2);
    EXPECT_EQ(Tscore({"render", "--svg", File("x.svg"), "--from", File("missing.txt")}).exitCode, 5);
    std::ofstream(File("garbage.txt")) << "not a pose";
    EXPECT_EQ(Tscore({"render", "--svg", File("x.svg"), "--from", File("garbage.txt")}).exitCode, 5);
    EXPECT_FALSE(fs::exists(File("x.svg")));
    EXPECT_EQ(Tscore({"pose", "--help"}).exitCode, 0);

    // A running service with no glove of the requested kind.
    ASSERT_TRUE(sim.Launch({"--beta", "b:H:v1.0", "--tessara", "right"}));
    EXPECT_EQ(Tscore({"pose", "--left"}).exitCode, 4);
    EXPECT_EQ(Tscore({"pose", "--device", "1"}).exitCode, 4) << "the beta device is not a glove";
    EXPECT_EQ(Tscore({"pose", "--profile", File("missing.txt")}).exitCode, 5);
    EXPECT_EQ(Tscore({"pose", "--profile", File("garbage.txt")}).exitCode, 5);
    std::ofstream(File("default.txt")) << TSCore::HandProfile::Default(true).Serialize();
    EXPECT_EQ(Tscore({"pose", "--profile", File("default.txt")}).exitCode, 0) << "an uncalibrated profile is fine";
    EXPECT_EQ(Tscore({"calibrate", "--out", (dir / "no" / "such" / "dir.txt").string(), "--seconds", "0.3"}).exitCode,
              6);
}

TEST_F(Cli, ListShowsTheServiceAndEveryDevice)
{
    ASSERT_TRUE(sim.Launch({"--beta", "b7:HW2:v1.4", "--tessara", "right", "--kelvo", "left"}));
    const RunResult r = Tscore({"list"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out; // status, header, rule, three devices
    EXPECT_EQ(lines[0], "Connection service: running");
    EXPECT_EQ(lines[1].rfind("index", 0), 0u) << lines[1];
    // The index column is what --device takes: the beta device has none.
    EXPECT_EQ(lines[3].rfind("-  ", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find("device0"), std::string::npos);
    EXPECT_NE(lines[3].find("b7"), std::string::npos);
    EXPECT_EQ(lines[4].rfind("0  ", 0), 0u) << lines[4];
    EXPECT_NE(lines[4].find("Tessara"), std::string::npos);
    EXPECT_NE(lines[4].find("right"), std::string::npos);
    EXPECT_EQ(lines[5].rfind("1  ", 0), 0u) << lines[5];
    EXPECT_NE(lines[5].find("Kelvo"), std::string::npos);
    EXPECT_NE(lines[5].find("left"), std::string::npos);
}

TEST_F(Cli, PoseJsonMatchesTheLibrarysPose)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "fist"}));
    const json pose = PoseJson({"--device", "0"});
    ASSERT_TRUE(pose.is_object()) << pose;
    EXPECT_EQ(pose["right"], true);
    ASSERT_EQ(pose["fingers"].size(), 5u);
    const char* names[] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};
    for (std::size_t f = 0; f < 5; ++f)
    {
        const json& finger = pose["fingers"][f];
        EXPECT_EQ(finger["name"], names[f]);
        ASSERT_EQ(finger["jointAngles"].size(), 3u);
        EXPECT_EQ(finger["jointAngles"][0].size(), 3u);
        EXPECT_EQ(finger["positions"].size(), 4u) << "the start and the end of each of three bones";
        ASSERT_GE(finger["rotations"].size(), 1u);
        EXPECT_EQ(finger["rotations"][0].size(), 4u);
    }
    // A fist flexes the fingers far more than the thumb at rest would.
    EXPECT_GT(pose["fingers"][1]["normalizedFlexion"].get<double>(), 0.5);

    // The same numbers as the library computes for the glove in this process.
    auto gloves = TSCore::HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u);
    TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
    TSCore::HandPose expected;
    ASSERT_TRUE(gloves[0]->GetHandPose(profile, expected));
    for (std::size_t f = 0; f < 5; ++f)
        for (std::size_t j = 0; j < expected.handAngles[f].size(); ++j)
            EXPECT_NEAR(pose["fingers"][f]["jointAngles"][j][1].get<double>(), expected.handAngles[f][j].y, 1e-5);

    const json left = PoseJson({"--left"});
    EXPECT_EQ(left["right"], false);

    // --openxr: the converter's 26 joints of the same pose, named as the extension names them.
    const RunResult xr = Tscore({"pose", "--left", "--openxr"});
    ASSERT_EQ(xr.exitCode, 0);
    const json joints = json::parse(xr.out, nullptr, false)["joints"];
    ASSERT_EQ(joints.size(), 26u) << xr.out;
    TSCore::HandProfile leftProfile = TSCore::HandProfile::Default(false);
    TSCore::HandPose leftPose;
    TSCore::OpenXRHand::Locations located;
    ASSERT_TRUE(gloves[1]->GetHandPose(leftProfile, leftPose));
    ASSERT_TRUE(TSCore::OpenXRHand::Locate(leftPose, TSCore::Kinematics::BasicHandModel::Default(false), true, located));
    for (std::size_t j = 0; j < 26; ++j)
    {
        EXPECT_EQ(joints[j]["name"], TSCore::OpenXRHand::JointName(static_cast<int>(j)));
        EXPECT_EQ(joints[j]["locationFlags"], 15);
        EXPECT_NEAR(joints[j]["position"][2].get<double>(), located.jointLocations[j].pose.position.z, 1e-6);
    }

    // Without --json: the library's readable text.
    const RunResult text = Tscore({"pose", "--right"});
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, expected.ToString(true) + "\n");
}

TEST_F(Cli, RecordingReplaysAsTheSameGloves)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "fist", "--rate", "100"}));
    const json live = PoseJson({"--device", "0"});
    const json liveKelvo = PoseJson({"--device", "1"});
    const RunResult r = Tscore({"record", "--out", File("rec.jsonl"), "--seconds", "0.5"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "") << "no progress bar when stdout is not a terminal";
    sim.Stop();

    const auto lines = Lines(ReadText(File("rec.jsonl")));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(json::parse(lines[0]), json::parse(R"({"format":"tscore-recording","version":1})"));
    const json device0 = json::parse(lines[1]);
    EXPECT_EQ(device0["kind"], "device");
    EXPECT_EQ(device0["key"], "device0");
    EXPECT_NE(device0["record"].get<std::string>().find("@0@{"), std::string::npos) << "type 0: " << device0;
    EXPECT_EQ(json::parse(lines[2])["key"], "device1");
    std::string lastText;
    double lastT = -1.0;
    int dataLines = 0;
    for (std::size_t i = 3; i < lines.size(); ++i)
    {
        const json line = json::parse(lines[i]);
        ASSERT_EQ(line["kind"], "data") << lines[i];
        EXPECT_GE(line["t"].get<double>(), lastT) << "time order";
        EXPECT_LT(line["t"].get<double>(), 0.6);
        lastT = line["t"].get<double>();
        if (line["key"] == "device0")
            lastText = line["text"].get<std::string>();
        ++dataLines;
    }
    // The orientation turns slowly, so at 100 texts a second most of them differ.
    EXPECT_GT(dataLines, 40);

    TSCoreTest::RemoveSegments();
    DeviceList::Dispose();
    DeviceList::ReInitialize();
    ASSERT_TRUE(replay.Launch({"--replay", File("rec.jsonl")}));
    // Replayed to its end, the last recorded text stays published.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    std::string published;
    ASSERT_TRUE(DeviceList::GetSensorDataString("device0", published));
    EXPECT_EQ(published, lastText);
    EXPECT_TRUE(Near(PoseJson({"--device", "0"}), live, 1e-5));
    EXPECT_TRUE(Near(PoseJson({"--device", "1"}), liveKelvo, 1e-5));
    const RunResult list = Tscore({"list"});
    EXPECT_NE(list.out.find("Tessara"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Kelvo"), std::string::npos) << list.out;
}

TEST_F(Cli, HapticsReachTheServiceAsCommandBytes)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    RunResult r = Tscore({"haptics", "--device", "0", "--ffb", "10,20,30,40,50", "--buzz", "60,70,80,90,100"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    auto line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("tessara ffb=10,20,30,40,50 buzz=60,70,80,90,100"), std::string::npos) << *line;

    // A timed pulse lasts its time, then is switched off. The service reports a command
    // when it changes, so the repeats in between show no lines of their own.
    const auto start = std::chrono::steady_clock::now();
    r = Tscore({"haptics", "--device", "0", "--buzz", "0,80,80,0,0", "--for", "0.3"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,0,0,0,0 buzz=0,80,80,0,0"), std::string::npos)
        << "force feedback not given stays off: " << *line;
    line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,0,0,0,0 buzz=0,0,0,0,0"), std::string::npos) << *line;

    // Thumper: an effect code on the exoskeleton, a magnitude on the Kelvo glove.
    r = Tscore({"haptics", "--device", "0", "--thumper", "3"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find(" thumper=3 "), std::string::npos) << *line;
    EXPECT_EQ(Tscore({"haptics", "--device", "0", "--thumper", "50"}).exitCode, 2) << "no such effect";
    r = Tscore({"haptics", "--device", "1", "--thumper", "40"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find(" thumper=40 "), std::string::npos) << *line;

    r = Tscore({"haptics", "--left", "--ffb", "0,50,0,0,0"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("kelvo ffb=0,50,0,0"), std::string::npos) << *line;

    r = Tscore({"haptics", "--device", "1", "--stop"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,0,0,0 buzz=0,0"), std::string::npos) << *line;
}

TEST_F(Cli, CalibrateWritesAProfileThatReadsBack)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave", "--period", "0.3"}));
    for (const char* device : {"0", "1"})
    {
        const std::string path = File(std::string("profile") + device + ".txt");
        const RunResult r = Tscore({"calibrate", "--device", device, "--out", path, "--seconds", "0.6"});
        ASSERT_EQ(r.exitCode, 0) << r.out;
        EXPECT_NE(r.out.find("Step 3/3"), std::string::npos) << r.out;
        const std::string text = ReadText(path);
        const TSCore::HandProfile profile = TSCore::HandProfile::Deserialize(text);
        EXPECT_EQ(profile.isRight, std::string(device) == "0");
        EXPECT_EQ(profile.Serialize(), text);
        EXPECT_TRUE(profile.Equals(TSCore::HandProfile::Deserialize(profile.Serialize())));
        EXPECT_FALSE(profile.Equals(TSCore::HandProfile::Default(profile.isRight))) << "calibration changed it";

        // watch and pose take it.
        EXPECT_EQ(Tscore({"pose", "--device", device, "--profile", path}).exitCode, 0);
        const RunResult watch = Tscore({"watch", "--device", device, "--profile", path, "--seconds", "0.3"});
        EXPECT_EQ(watch.exitCode, 0);
        EXPECT_EQ(watch.out.rfind("t=0.", 0), 0u) << watch.out;
    }
}

TEST_F(Cli, RenderWritesAWellFormedSvg)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--motion", "pinch"}));
    RunResult r = Tscore({"render", "--svg", File("live.svg")});
    ASSERT_EQ(r.exitCode, 0);
    std::string svg = ReadText(File("live.svg"));
    EXPECT_TRUE(svg.rfind("<?xml", 0) == 0 || svg.rfind("<svg", 0) == 0);
    while (!svg.empty() && std::isspace(static_cast<unsigned char>(svg.back())))
        svg.pop_back();
    EXPECT_EQ(svg.substr(svg.size() - 6), "</svg>");
    EXPECT_NE(svg.find("Right hand"), std::string::npos);
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    // Two views of five digits of four joints each, plus the wrist in each view.
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1))
        ++circles;
    EXPECT_EQ(circles, 2u * (5u * 4u + 1u));

    // A stored pose, of the other hand.
    std::ofstream(File("left.pose")) << TSCore::HandPose::DefaultIdle(false).Serialize();
    r = Tscore({"render", "--svg", File("left.svg"), "--from", File("left.pose")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(ReadText(File("left.svg")).find("Left hand"), std::string::npos);
}

#endif
