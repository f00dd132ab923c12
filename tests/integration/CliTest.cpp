// tscore as a user runs it: a real tscore process against a real tesslink-sim process.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
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

    bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    /// Thumb tip to index tip of a pose --json, in millimetres.
    double PinchGap(const json& pose)
    {
        const json& a = pose["fingers"][0]["positions"].back();
        const json& b = pose["fingers"][1]["positions"].back();
        double sum = 0.0;
        for (std::size_t i = 0; i < 3; ++i)
            sum += std::pow(a[i].get<double>() - b[i].get<double>(), 2.0);
        return std::sqrt(sum);
    }

    /// A profile whose thumb sets map the simulated Kelvo fist reading onto 0/0: a calibration
    /// range of zero width, as a glove that did not move leaves it.
    std::string ZeroWidthProfile()
    {
        TSCore::HandProfile profile = TSCore::HandProfile::Default(false);
        auto& thumb = profile.kelvoProfile.interpolator.interpolationSets.at(0);
        for (std::size_t k = 0; k < thumb.size(); ++k)
            thumb[k].inStart = thumb[k].inEnd = k == 2 ? 700.0f : 900.0f;
        return profile.Serialize();
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
    // No service at all: every message says how to start one.
    RunResult r = Tscore({"list"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.out.find("Connection service: not running"), std::string::npos) << r.out;
    EXPECT_TRUE(Has(r.err, "tesslink-sim --tessara right")) << r.err;
    EXPECT_EQ(Tscore({"pose"}).exitCode, 3);
    EXPECT_EQ(Tscore({"haptics", "--stop"}).exitCode, 3);

    // Numbers out of range are named in words, and the subcommand's help is pointed at.
    for (const auto& [args, words] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"pose", "--device", "-1"}, "--device must be a whole number from 0"},
             {{"haptics", "--buzz", "0,0,0,0,0", "--for", "0"}, "--for must be more than 0 seconds, not 0"},
             {{"record", "--out", File("r.jsonl"), "--seconds", "0"}, "--seconds must be more than 0 seconds"},
             {{"watch", "--rate", "1000"}, "--rate must be from 0.5 to 200 frames per second, not 1000"}})
    {
        r = Tscore(args);
        EXPECT_EQ(r.exitCode, 2) << words;
        EXPECT_TRUE(Has(r.err, words)) << r.err;
        EXPECT_TRUE(Has(r.err, "(see tscore " + args[0] + " --help)")) << r.err;
        EXPECT_FALSE(Has(r.err, "179769")) << "no range dump: " << r.err;
    }

    // Arguments are checked before anything is opened; a missing command names them all.
    r = Tscore({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r.err, "a command is required: the commands are list, watch, pose, record, haptics")) << r.err;
    EXPECT_EQ(Tscore({"record", "--seconds", "1"}).exitCode, 2) << "--out is required";
    EXPECT_EQ(Tscore({"haptics", "--ffb", "1,2,3"}).exitCode, 2) << "five levels, or a Kelvo glove's four";
    EXPECT_EQ(Tscore({"haptics", "--thumper", "bogus"}).exitCode, 2) << "an effect name or a number";
    EXPECT_EQ(Tscore({"haptics", "--buzz", "0,0,101,0,0"}).exitCode, 2) << "levels are percent";
    EXPECT_EQ(Tscore({"watch", "--right", "--left"}).exitCode, 2);
    // Files that cannot be read or written say why.
    r = Tscore({"render", "--svg", File("x.svg"), "--from", File("missing.txt")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "missing.txt: No such file or directory")) << r.err;
    r = Tscore({"record", "--out", "/nonexistent/x.jsonl"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_TRUE(Has(r.err, "cannot write /nonexistent/x.jsonl: /nonexistent does not exist")) << r.err;
    std::ofstream(File("kept.txt")) << "kept";
    r = Tscore({"calibrate", "--out", File("kept.txt")});
    EXPECT_EQ(r.exitCode, 6) << "a profile is replaced only with --force, as a recording is";
    EXPECT_TRUE(Has(r.err, "--force")) << r.err;
    EXPECT_EQ(ReadText(File("kept.txt")), "kept");
    std::ofstream(File("garbage.txt")) << "not a pose";
    EXPECT_EQ(Tscore({"render", "--svg", File("x.svg"), "--from", File("garbage.txt")}).exitCode, 5);
    // A file of another kind is named for what it is.
    std::ofstream(File("idle.pose")) << TSCore::HandPose::DefaultIdle(true).Serialize();
    std::ofstream(File("default.txt")) << TSCore::HandProfile::Default(true).Serialize();
    r = Tscore({"render", "--svg", File("x.svg"), "--from", File("default.txt")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "it looks like a hand profile")) << r.err;
    EXPECT_FALSE(fs::exists(File("x.svg")));
    // Every help fits 80 columns and names things as the rest of the project does.
    for (const char* command : {"", "list", "watch", "pose", "record", "haptics", "calibrate", "render", "view"})
    {
        r = std::string(command).empty() ? Tscore({"--help"}) : Tscore({command, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        for (const auto& line : Lines(r.out))
            EXPECT_LT(line.size(), 80u) << command << ": " << line;
        EXPECT_FALSE(Has(r.out, "little finger") || Has(r.out, "second-model") || Has(r.out, "abduction")) << r.out;
    }
    r = TSCoreTest::Run(TESSLINK_SIM_PATH, {"--help"});
    for (const auto& line : Lines(r.out))
        EXPECT_LT(line.size(), 80u) << "tesslink-sim: " << line;
    EXPECT_TRUE(Has(r.out, "--kelvo right|left              Kelvo glove")) << r.out;
    EXPECT_TRUE(Has(r.out, "\n  11   another connection service owns the shared memory, or took it over\n")) << r.out;

    // A running service with no glove of the requested kind.
    ASSERT_TRUE(sim.Launch({"--beta", "b:H:v1.0", "--tessara", "right"}));
    EXPECT_EQ(Tscore({"pose", "--left"}).exitCode, 4);
    EXPECT_EQ(Tscore({"pose", "--device", "1"}).exitCode, 4) << "the beta device is not a glove";
    EXPECT_EQ(Tscore({"pose", "--profile", File("missing.txt")}).exitCode, 5);
    EXPECT_EQ(Tscore({"pose", "--profile", File("garbage.txt")}).exitCode, 5);
    EXPECT_EQ(Tscore({"calibrate", "--profile", File("idle.pose"), "--out", File("p.txt")}).exitCode, 5);
    r = Tscore({"pose", "--profile", File("idle.pose")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "is not a hand profile: it looks like a hand pose")) << r.err;
    EXPECT_EQ(Tscore({"pose", "--profile", File("default.txt")}).exitCode, 0) << "an uncalibrated profile is fine";
    // A profile of the other hand would mirror every pose.
    std::ofstream(File("left.txt")) << TSCore::HandProfile::Default(false).Serialize();
    r = Tscore({"pose", "--profile", File("left.txt")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "left.txt is a profile for the left hand, and Tessara QX7.2-R0001 (right, device1) is a "
                           "right-hand glove"))
        << r.err;
#  ifdef TSCORE_BRIDGE_PATH
    // The bridge judges a profile file as tscore does.
    r = TSCoreTest::Run(TSCORE_BRIDGE_PATH, {"publish", "--profile", File("idle.pose")}, std::chrono::seconds(10));
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "is not a hand profile: it looks like a hand pose")) << r.err;
#  endif
    // Checked before the calibration starts, not after it.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Tscore({"calibrate", "--out", (dir / "no" / "such" / "dir.txt").string(), "--seconds", "3"}).exitCode, 6);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(Cli, ListShowsTheServiceAndEveryDevice)
{
    ASSERT_TRUE(sim.Launch({"--beta", "b7:HW2:v1.4", "--tessara", "right", "--kelvo", "left"}));
    RunResult r = Tscore({"list"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out; // status, header, rule, three devices
    EXPECT_EQ(lines[0].rfind("Connection service: running (time stamp ", 0), 0u) << lines[0];
    for (const auto& line : lines)
        EXPECT_LT(line.size(), 80u) << line;
    EXPECT_EQ(lines[1].rfind("index", 0), 0u) << lines[1];
    // The index column is what --device takes: the beta device has none.
    EXPECT_EQ(lines[3].rfind("-  ", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find("device0"), std::string::npos);
    EXPECT_NE(lines[3].find("b7"), std::string::npos);
    EXPECT_EQ(lines[4].rfind("0  ", 0), 0u) << lines[4];
    EXPECT_NE(lines[4].find("Tessara"), std::string::npos);
    EXPECT_NE(lines[4].find("right"), std::string::npos);
    EXPECT_TRUE(Has(lines[4], "QX7.2-R0001  4.7  ")) << "numbered identity, firmware 4.7: " << lines[4];
    EXPECT_EQ(lines[5].rfind("1  ", 0), 0u) << lines[5];
    EXPECT_NE(lines[5].find("Kelvo"), std::string::npos);
    EXPECT_NE(lines[5].find("left"), std::string::npos);

    const json listed = json::parse(Tscore({"list", "--json"}).out, nullptr, false);
    ASSERT_TRUE(listed.is_object());
    EXPECT_EQ(listed["service"]["state"], "running");
    ASSERT_EQ(listed["devices"].size(), 3u);
    EXPECT_EQ(listed["devices"][0]["index"], nullptr);
    EXPECT_EQ(listed["devices"][2]["index"], 1);
    EXPECT_EQ(listed["devices"][2]["hardware"], "KV1");
    EXPECT_EQ(listed["devices"][2]["state"], "connected");

    // A service that stopped updating is not "running", whatever the library's 10 seconds say,
    // and no record it left says anything about now: from 10 s on it counts as stopped.
    ASSERT_TRUE(sim.Control("disconnect 2"));
    ASSERT_TRUE(sim.Control("scan -5"));
    r = Tscore({"list"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(std::regex_match(Lines(r.out).at(0),
                                 std::regex("Connection service: not updating \\(time stamp [56] s old\\)")))
        << r.out;
    EXPECT_TRUE(Has(Lines(r.out).at(4), "  right  stale  ")) << r.out;
    EXPECT_TRUE(Has(Lines(r.out).at(5), "  left   no  ")) << r.out;
    ASSERT_TRUE(sim.Control("stale"));
    r = Tscore({"list", "--json"});
    EXPECT_EQ(r.exitCode, 3);
    const json stopped = json::parse(r.out, nullptr, false);
    EXPECT_EQ(stopped["service"]["state"], "stopped");
    EXPECT_EQ(stopped["devices"][1]["state"], "stopped");
    EXPECT_EQ(stopped["devices"][1]["connected"], true) << "what the record says";
    EXPECT_TRUE(Has(Tscore({"list"}).out, "Connection service: not running (time stamp 10")) << "100 s old";
}

TEST_F(Cli, PoseJsonMatchesTheLibrarysPose)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "fist"}));
    const json pose = PoseJson({"--device", "0"});
    ASSERT_TRUE(pose.is_object()) << pose;
    EXPECT_EQ(pose["right"], true);
    ASSERT_EQ(pose["fingers"].size(), 5u);
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

    const RunResult raw = Tscore({"pose", "--left", "--json"});
    const json left = json::parse(raw.out, nullptr, false);
    EXPECT_EQ(left["right"], false);
    EXPECT_EQ(left["side"], "left");
    EXPECT_EQ(left["device"]["id"], "KV1-L0001");
    EXPECT_EQ(left["valid"], true);
    EXPECT_EQ(left["units"]["jointAngles"], "radians: twist, flexion, spread per joint");
    EXPECT_EQ(left["orientation"].size(), 4u);
    EXPECT_NEAR(left["time"].get<double>(), static_cast<double>(std::time(nullptr)), 2.0);
    for (std::size_t at = raw.out.find_first_of("0123456789"); at != std::string::npos;
         at = raw.out.find_first_of("0123456789", raw.out.find_first_not_of("0123456789.", at)))
        EXPECT_LT(raw.out.find_first_not_of("0123456789.", at) - at, 16u) << "a float as its own short text";

    // --openxr: the converter's 26 joints of the same pose, named as the extension names them.
    const RunResult xr = Tscore({"pose", "--left", "--openxr"});
    ASSERT_EQ(xr.exitCode, 0);
    const json joints = json::parse(xr.out, nullptr, false)["joints"];
    ASSERT_EQ(joints.size(), 26u) << xr.out;
    TSCore::HandProfile leftProfile = TSCore::HandProfile::Default(false);
    TSCore::HandPose leftPose;
    TSCore::OpenXRHand::Locations located;
    ASSERT_TRUE(gloves[1]->GetHandPose(leftProfile, leftPose));
    ASSERT_TRUE(
        TSCore::OpenXRHand::Locate(leftPose, TSCore::Kinematics::BasicHandModel::Default(false), true, located));
    for (std::size_t j = 0; j < 26; ++j)
    {
        EXPECT_EQ(joints[j]["name"], TSCore::OpenXRHand::JointName(static_cast<int>(j)));
        EXPECT_EQ(joints[j]["locationFlags"], 15);
        EXPECT_NEAR(joints[j]["position"][2].get<double>(), located.jointLocations[j].pose.position.z, 1e-6);
    }
    const json state = json::parse(xr.out)["state"];
    EXPECT_EQ(state["service"], "running");
    EXPECT_LE(state["stampAge"].get<int>(), 1);
    EXPECT_EQ(state["connected"], true);
    for (std::size_t at = xr.out.find_first_of("0123456789"); at != std::string::npos;
         at = xr.out.find_first_of("0123456789", xr.out.find_first_not_of("0123456789.e-", at)))
        EXPECT_LT(xr.out.find_first_not_of("0123456789.e-", at) - at, 16u) << xr.out.substr(at, 30);
    // The layer's rule: a service not updating gives valid, untracked joints; a disconnected
    // glove none, and isActive false.
    const auto openxr = [&](const char* device)
    {
        const RunResult r = Tscore({"pose", "--device", device, "--openxr"});
        const json out = json::parse(r.out, nullptr, false);
        EXPECT_TRUE(out.is_object()) << r.out << r.err;
        return out.is_object() ? out : json::object();
    };
    ASSERT_TRUE(sim.Control("scan -5"));
    json stale = openxr("1");
    EXPECT_EQ(stale["isActive"], true);
    EXPECT_EQ(stale["joints"][3]["locationFlags"], 3);
    EXPECT_EQ(stale["state"]["service"], "stale");
    ASSERT_TRUE(sim.Control("scan 0"));
    ASSERT_TRUE(sim.Control("disconnect 1"));
    const json disconnected = openxr("1");
    EXPECT_EQ(disconnected["isActive"], false);
    EXPECT_EQ(disconnected["joints"][3]["locationFlags"], 0);
    EXPECT_EQ(disconnected["state"]["connected"], false);
    // A stopped service leaves no glove to locate: refused as every pose command refuses it.
    ASSERT_TRUE(sim.Control("stale"));
    const RunResult stopped = Tscore({"pose", "--device", "0", "--openxr"});
    EXPECT_EQ(stopped.exitCode, 3);
    EXPECT_TRUE(stopped.out.empty()) << stopped.out;
    ASSERT_TRUE(sim.Control("scan 0"));
    ASSERT_TRUE(sim.Control("connect 1"));

    // Without --json: the same angles in whole degrees, labelled, with the orientation.
    const RunResult text = Tscore({"pose", "--right"});
    ASSERT_EQ(text.exitCode, 0);
    const auto lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 9u) << text.out;
    EXPECT_EQ(lines[0], "Right hand of Tessara QX7.2-R0001 (right, device0)");
    EXPECT_EQ(lines[1], "Degrees: flexion toward the palm, spread sideways, twist about the bone");
    std::istringstream index(lines[4]);
    std::string name;
    std::string joint;
    double flexion = 0.0;
    index >> name >> joint >> flexion;
    EXPECT_EQ(name + " " + joint, "Index MCP");
    EXPECT_NEAR(flexion, expected.handAngles[1][0].y * 57.29578, 0.5001);
    EXPECT_EQ(lines[8].rfind("Orientation (quaternion): x ", 0), 0u) << lines[8];
}

TEST_F(Cli, RecordingReplaysAsTheSameGloves)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "fist", "--rate", "100"}));
    const json live = PoseJson({"--device", "0"});
    const json liveKelvo = PoseJson({"--device", "1"});
    RunResult r = Tscore({"record", "--out", File("rec.jsonl"), "--seconds", "0.5"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Recorded ", 0), 0u) << "a summary and no progress bar when piped: " << r.out;
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
    EXPECT_TRUE(Near(PoseJson({"--device", "0"})["fingers"], live["fingers"], 1e-5));
    EXPECT_TRUE(Near(PoseJson({"--device", "1"})["fingers"], liveKelvo["fingers"], 1e-5));
    const RunResult list = Tscore({"list"});
    EXPECT_NE(list.out.find("Tessara"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Kelvo"), std::string::npos) << list.out;

    // render draws a frame of the recording itself.
    r = Tscore({"render", "--from", File("rec.jsonl"), "--device", "1", "--at", "0.2", "--svg", File("rec.svg")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(ReadText(File("rec.svg")), "Kelvo KV1-L0001 (left, device1) at 0.")) << "the frame named";
    r = Tscore({"render", "--from", File("rec.jsonl"), "--at", "99", "--svg", File("late.svg")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r.err, "--at 99.000 is past the end of " + File("rec.jsonl") + ", whose last reading is at 0."))
        << r.err;
    EXPECT_FALSE(fs::exists(File("late.svg")));
}

TEST_F(Cli, RecordKeepsWhatExistsAndEndsOnCtrlC)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    std::ofstream(File("kept.jsonl")) << "kept";
    const RunResult r = Tscore({"record", "--out", File("kept.jsonl"), "--seconds", "0.1"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_TRUE(Has(r.err, "--force")) << r.err;
    EXPECT_EQ(ReadText(File("kept.jsonl")), "kept");

    // Without --seconds: until Ctrl-C, of the chosen glove only, however often it is named.
    TSCoreTest::ChildProcess untilStopped;
    ASSERT_TRUE(untilStopped.Start(TSCORE_CLI_PATH,
                                   {"record", "--out", File("kelvo.jsonl"), "--device", "1", "--device", "1"}));
    for (int wait = 0; wait < 100 && Lines(ReadText(File("kelvo.jsonl"))).size() < 3; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(untilStopped.Stop(SIGINT), 0);
    const auto lines = Lines(ReadText(File("kelvo.jsonl")));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(json::parse(lines[1])["key"], "device1");
    EXPECT_EQ(json::parse(lines[2])["kind"], "data");
    // The file plays back.
    sim.Stop();
    TSCoreTest::RemoveSegments();
    ASSERT_TRUE(replay.Launch({"--replay", File("kelvo.jsonl")})) << replay.ErrorText();
    EXPECT_TRUE(Has(Tscore({"list"}).out, "KV1-L0001")) << "the one recorded glove";
}

TEST_F(Cli, HapticsReachTheServiceAsCommandBytes)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    RunResult r = Tscore({"haptics", "--device", "0", "--ffb", "10,20,30,40,50", "--buzz", "60,70,80,90,100"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    auto line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("tessara ffb=10,20,30,40,50 buzz=60,70,80,90,100"), std::string::npos) << *line;

    // What one run does not give stays as the glove was last told, by whichever process.
    r = Tscore({"haptics", "--device", "0", "--ffb", "0,5,0,0,0"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r.out, "ffb 0,5,0,0,0  buzz 60,70,80,90,100  thumper none")) << r.out;
    EXPECT_TRUE(Has(sim.WaitForPrefix("haptics device0").value_or(""), "ffb=0,5,0,0,0 buzz=60,70,80,90,100"));

    // A timed pulse lasts its time, then is switched off. The service reports a command
    // when it changes, so the repeats in between show no lines of their own.
    const auto start = std::chrono::steady_clock::now();
    r = Tscore({"haptics", "--device", "0", "--buzz", "0,80,80,0,0", "--for", "0.3"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,5,0,0,0 buzz=0,80,80,0,0"), std::string::npos) << *line;
    line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,0,0,0,0 buzz=0,0,0,0,0"), std::string::npos) << *line;

    r = Tscore({"haptics", "--device", "1", "--thumper", "40"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find(" thumper=40 "), std::string::npos) << *line;

    // A Kelvo glove takes its own four force and two vibration levels, and keeps its magnitude.
    r = Tscore({"haptics", "--left", "--ffb", "0,50,0,0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("kelvo ffb=0,50,0,0 buzz=0,0 thumper=40"), std::string::npos) << *line;
    EXPECT_EQ(Tscore({"haptics", "--left", "--buzz", "5,6"}).exitCode, 0);
    EXPECT_TRUE(Has(sim.WaitForPrefix("haptics device1").value_or(""), "kelvo ffb=0,50,0,0 buzz=5,6 thumper=40"));
    r = Tscore({"haptics", "--right", "--ffb", "0,50,0,0"});
    EXPECT_EQ(r.exitCode, 2) << "a Tessara glove takes five";
    EXPECT_TRUE(Has(r.err, "takes 5 levels for --ffb")) << r.err;

    r = Tscore({"haptics", "--device", "1", "--stop"});
    ASSERT_EQ(r.exitCode, 0);
    line = sim.WaitForPrefix("haptics device1");
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("ffb=0,0,0,0 buzz=0,0"), std::string::npos) << *line;
}

TEST_F(Cli, HapticsPrintWhatTheGloveReceives)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--tessara", "right:5.0"}));
    const auto received = [this](const char* key)
    { return sim.WaitForPrefix(std::string("haptics ") + key).value_or(""); };
    // Thumper effects on the exoskeleton, by code or by name in any case: named when sent,
    // "none" when not. An effect plays once: the next command carries none.
    RunResult r = Tscore({"haptics", "--device", "0", "--thumper", "3"});
    EXPECT_TRUE(Has(r.out, "thumper Knock (effect 3)")) << r.out;
    EXPECT_TRUE(Has(received("device0"), " thumper=3 "));
    r = Tscore({"haptics", "--device", "0", "--thumper", "double-TAP"});
    EXPECT_TRUE(Has(r.out, "thumper DoubleTap (effect 2)")) << r.out;
    EXPECT_TRUE(Has(received("device0"), " thumper=2 "));
    EXPECT_EQ(Tscore({"haptics", "--device", "0", "--thumper", "50"}).exitCode, 2) << "no such effect";
    EXPECT_EQ(Tscore({"haptics", "--device", "1", "--thumper", "tap"}).exitCode, 2) << "a Kelvo takes a magnitude";
    r = Tscore({"haptics", "--device", "0", "--buzz", "0,0,0,0,1"});
    EXPECT_TRUE(Has(r.out, "thumper none")) << r.out;
    // Firmware 5.0 fails the sub-version test: an effect alone is not sent at all, and with
    // levels only they are; neither is a success.
    r = Tscore({"haptics", "--device", "2", "--thumper", "tap"});
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_TRUE(Has(r.err, "sub-version 7 or more (so 5.0 to 5.6 take none). Nothing was sent")) << r.err;
    r = Tscore({"haptics", "--device", "2", "--thumper", "tap", "--ffb", "1,1,1,1,1"});
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_TRUE(Has(r.out, "thumper none")) << r.out;
    EXPECT_TRUE(Has(received("device2"), "ffb=1,1,1,1,1 buzz=0,0,0,0,0 thumper=none")) << "the first command";

    // What a Kelvo glove receives, and a warning for what it has no channel for.
    r = Tscore({"haptics", "--left", "--ffb", "0,50,0,0,9", "--buzz", "10,20,30,40,50"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r.out, "ffb 0,50,0,0 (thumb to ring)  buzz 10,20 (thumb, index)")) << r.out;
    EXPECT_TRUE(Has(r.err, "level 9 is not sent")) << r.err;
    EXPECT_TRUE(Has(r.err, "the levels 30,40,50 for middle, ring and pinky are not sent")) << r.err;
    EXPECT_TRUE(Has(received("device1"), "kelvo ffb=0,50,0,0 buzz=10,20"));

    ASSERT_TRUE(sim.Control("disconnect 1"));
    r = Tscore({"haptics", "--device", "1", "--buzz", "10,0,0,0,0"});
    EXPECT_EQ(r.exitCode, 4) << "a disconnected glove receives nothing";
    EXPECT_TRUE(Has(r.err, "not connected")) << r.err;
}

TEST_F(Cli, CalibrateWritesAProfileThatReadsBack)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave", "--period", "0.3"}));
    for (const char* device : {"0", "1"})
    {
        const std::string path = File(std::string("profile") + device + ".txt");
        // Long enough for every finger to close fully at least once on a loaded machine.
        const RunResult r =
            Tscore({"calibrate", "--device", device, "--out", path, "--seconds", "1.5", "--pause", "0"});
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
    // On a terminal, lines too long for it are wrapped, not cut; --force replaces the profile.
    const RunResult screen = TSCoreTest::RunInTerminal(
        TSCORE_CLI_PATH,
        {"calibrate", "--device", "0", "--out", File("profile0.txt"), "--force", "--seconds", "0.6", "--pause", "0"},
        60, 24);
    EXPECT_EQ(screen.exitCode, 0) << screen.out;
    const std::string visible = std::regex_replace(screen.out, std::regex("\x1b\\[[0-9;?]*[A-Za-z]|\r"), "");
    EXPECT_TRUE(Has(visible, "(the glove's angles)")) << visible;
    for (const auto& line : Lines(visible))
        EXPECT_TRUE(line.size() < 60u || line.rfind("Wrote ", 0) == 0) << "the block's lines fit: " << line;
}

TEST_F(Cli, AFingerThatDidNotMoveIsNeitherCalibratedNorShownAsANumber)
{
    ASSERT_TRUE(sim.Launch({"--kelvo", "left", "--motion", "fist"}));
    const std::vector<std::string> calibrate{"calibrate", "--out", File("p.txt"), "--seconds", "0.6", "--pause", "0"};
    RunResult r = Tscore(calibrate);
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_TRUE(Has(r.err, "Thumb, Index, Middle, Ring, Pinky have a range narrower than 200 raw readings")) << r.err;
    EXPECT_FALSE(fs::exists(File("p.txt")));

    // With --allow-partial, the fingers that moved are written and the others keep their sets.
    ASSERT_TRUE(sim.Control("flex 0 0,0,0,0,0"));
    TSCoreTest::ChildProcess child;
    ASSERT_TRUE(child.Start(
        TSCORE_CLI_PATH, {"calibrate", "--out", File("p.txt"), "--seconds", "1.5", "--pause", "0", "--allow-partial"}));
    ASSERT_TRUE(child.WaitForPrefix("Step 2/3").has_value());
    ASSERT_TRUE(sim.Control("flex 0 1,1,0,0,0"));
    ASSERT_EQ(child.Wait(), 0) << child.ErrorText();
    EXPECT_TRUE(Has(child.ErrorText(), "Middle, Ring, Pinky did not move enough")) << child.ErrorText();
    const TSCore::HandProfile written = TSCore::HandProfile::Deserialize(ReadText(File("p.txt")));
    const auto& sets = written.kelvoProfile.interpolator.interpolationSets;
    const auto& before = TSCore::HandProfile::Default(false).kelvoProfile.interpolator.interpolationSets;
    EXPECT_NE(sets.at(1).at(0).inStart, before.at(1).at(0).inStart) << "the index finger is calibrated";
    EXPECT_EQ(sets.at(2).at(0).inStart, before.at(2).at(0).inStart) << "the middle finger keeps its sets";

    // A profile that maps the reading onto NaN: every view says the pose is invalid.
    std::ofstream(File("zero.txt")) << ZeroWidthProfile();
    ASSERT_TRUE(sim.Control("flex 0 auto"));
    r = Tscore({"pose", "--profile", File("zero.txt")});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_TRUE(Has(r.err, "the pose is invalid: Thumb has no finite")) << r.err;
    EXPECT_FALSE(Has(r.out, "nan")) << r.out;
    const json pose = json::parse(Tscore({"pose", "--json", "--profile", File("zero.txt")}).out, nullptr, false);
    EXPECT_EQ(pose["valid"], false);
    EXPECT_EQ(pose["invalidFingers"], json::array({"Thumb"}));
    EXPECT_EQ(Tscore({"render", "--profile", File("zero.txt"), "--svg", File("zero.svg")}).exitCode, 9);
    EXPECT_FALSE(fs::exists(File("zero.svg"))) << "no silent half-hand";
    r = Tscore({"watch", "--profile", File("zero.txt"), "--seconds", "0.15"});
    EXPECT_EQ(Lines(r.out).at(0), "t=0.00 invalid") << r.out;
}

TEST_F(Cli, RenderWritesAWellFormedSvg)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "pinch"}));
    for (const char* device : {"0", "1"})
        EXPECT_LT(PinchGap(PoseJson({"--device", device})), 10.0) << "a pinch brings the tips together";
    RunResult r = Tscore({"render", "--svg", File("live.svg")});
    ASSERT_EQ(r.exitCode, 0);
    // The document's form is checked in the unit tests; here, that the live glove's is written.
    EXPECT_NE(ReadText(File("live.svg")).find("Right hand"), std::string::npos);
    std::ofstream(File("left.pose")) << TSCore::HandPose::DefaultIdle(false).Serialize();
    r = Tscore({"render", "--svg", "-", "--from", File("left.pose")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Left hand"), std::string::npos);
}

TEST_F(Cli, WatchFitsTheTerminalAndShowsWhatIsNotLive)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    // On an 80x24 terminal no line may wrap: a wrapped line spoils every redraw after it.
    const RunResult screen = TSCoreTest::RunInTerminal(TSCORE_CLI_PATH, {"watch", "--seconds", "0.5"}, 80, 24);
    EXPECT_EQ(screen.exitCode, 0);
    const std::string visible = std::regex_replace(screen.out, std::regex("\x1b\\[[0-9;?]*[A-Za-z]|\r"), "");
    EXPECT_TRUE(Has(visible, "State: live")) << visible;
    EXPECT_TRUE(Has(visible, "Held by force feedback: none")) << visible;
    for (const auto& line : Lines(visible))
        EXPECT_LT(line.size(), 80u) << line;

    TSCoreTest::ChildProcess watch;
    ASSERT_TRUE(watch.Start(TSCORE_CLI_PATH, {"watch"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(watch.Stop(SIGTERM), 143);

    // As JSON: one object per frame, with the time its reading arrived and whether it is new.
    const auto frames = [](const std::vector<std::string>& args)
    {
        std::vector<json> out;
        for (const auto& line : Lines(Tscore(args).out))
            out.push_back(json::parse(line, nullptr, false));
        return out;
    };
    const std::vector<json> live = frames({"watch", "--json", "--rate", "20", "--seconds", "0.3"});
    ASSERT_GE(live.size(), 4u);
    EXPECT_EQ(live[0]["state"]["word"], "live");
    EXPECT_EQ(live[0]["device"]["key"], "device0");
    for (std::size_t i = 1; i < live.size(); ++i)
    {
        EXPECT_EQ(live[i]["newReading"], true) << "a 60 Hz glove watched 20 times a second";
        EXPECT_GT(live[i]["time"].get<double>(), live[i - 1]["time"].get<double>());
    }
    EXPECT_NEAR(live.back()["time"].get<double>(), static_cast<double>(std::time(nullptr)), 2.0);
    EXPECT_EQ(live[0]["held"], json::array());
    // Held: the fingers whose force-feedback level in the glove's current command is above 0.
    ASSERT_EQ(Tscore({"haptics", "--device", "0", "--ffb", "0,40,40,0,0"}).exitCode, 0);
    const json held = frames({"watch", "--json", "--seconds", "0.1"}).at(0);
    EXPECT_EQ(held["held"], json::array({"Index", "Middle"}));
    EXPECT_EQ(held["forceFeedback"], json::array({0, 40, 40, 0, 0}));
    EXPECT_TRUE(std::regex_match(Lines(Tscore({"watch", "--seconds", "0.1"}).out).at(0),
                                 std::regex("t=0.00 live( [TIMRP] -?[0-9.]+){5} q( -?[0-9.]+){4} held I,M")));
    ASSERT_EQ(Tscore({"haptics", "--device", "0", "--stop"}).exitCode, 0);

    // A disconnected glove: its last reading, labelled and never new; pose refuses it.
    ASSERT_TRUE(sim.Control("disconnect 1"));
    const std::vector<json> frozen = frames({"watch", "--device", "1", "--json", "--rate", "20", "--seconds", "0.3"});
    ASSERT_GE(frozen.size(), 3u);
    EXPECT_EQ(frozen[1]["state"]["word"], "disconnected");
    EXPECT_EQ(frozen[2]["newReading"], false);
    EXPECT_EQ(frozen[2]["time"], frozen[0]["time"]);
    EXPECT_EQ(
        Lines(Tscore({"watch", "--device", "1", "--seconds", "0.15"}).out).at(0).rfind("t=0.00 disconnected T ", 0),
        0u);
    RunResult r = Tscore({"pose", "--device", "1", "--json"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(json::parse(r.out, nullptr, false)["state"]["word"], "disconnected");
    EXPECT_TRUE(Has(r.err, "(left, device1) is disconnected: its last reading is not current")) << r.err;

    // A service that stopped updating: stale, labelled, under 10 s; stopped from then on. Either
    // way pose gives no pose and says why once.
    ASSERT_TRUE(sim.Control("scan -5"));
    EXPECT_EQ(Lines(Tscore({"watch", "--device", "0", "--seconds", "0.15"}).out).at(0).rfind("t=0.00 stale T ", 0), 0u);
    r = Tscore({"pose", "--device", "0"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_TRUE(Has(r.err, "the connection service is not updating (time stamp ")) << r.err;
    ASSERT_TRUE(sim.Control("stale"));
    r = Tscore({"pose"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, "not running (time stamp 10")) << r.err;
    EXPECT_EQ(Tscore({"watch", "--seconds", "0.15"}).exitCode, 3);

    // Killed and started again with other gloves: a running watch follows within a second,
    // onto the first connected glove of the new service.
    ASSERT_TRUE(sim.Control("scan 0"));
    TSCoreTest::ChildProcess running;
    ASSERT_TRUE(running.Start(TSCORE_CLI_PATH, {"watch", "--json", "--rate", "20"}));
    const auto device = [](const std::string& line)
    {
        const json frame = json::parse(line, nullptr, false);
        return frame.is_object() && frame.contains("device")
                   ? frame["device"]["id"].get<std::string>() + " " + frame["state"]["word"].get<std::string>()
                   : std::string();
    };
    ASSERT_TRUE(running.WaitForLine([&](const std::string& l) { return device(l) == "QX7.2-R0001 live"; }));
    sim.Stop(SIGKILL);
    ASSERT_TRUE(replay.Launch({"--kelvo", "right", "--tessara", "left"}));
    const auto restarted = std::chrono::steady_clock::now();
    EXPECT_TRUE(running.WaitForLine([&](const std::string& l) { return device(l) == "KV1-R0001 live"; },
                                    std::chrono::seconds(3)));
    EXPECT_LT(std::chrono::steady_clock::now() - restarted, std::chrono::seconds(1));
    EXPECT_EQ(running.Stop(SIGTERM), 143);
}

#endif
