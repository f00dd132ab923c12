// The kept-mapping reader against the real simulator: it answers what the per-call path
// answers, and follows the service through changed records, a stale stamp, a kill, a restart
// with other gloves and a stop.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/TS/TessaraVars.h>

#include "SimTest.h"

using namespace TSCore;
using State = ServiceReader::ServiceState;
using Status = ServiceReader::ReadStatus;
using TSCoreTest::SimProcess;

namespace
{
    using Clock = std::chrono::steady_clock;

    class ServiceReaderTest : public TSCoreTest::SimTest
    {
    protected:
        // The per-call glove of the same record, from DeviceList's cache.
        static std::shared_ptr<HapticGlove> PerCallGlove(const std::string& key)
        {
            for (const auto& glove : HapticGlove::GetHapticGloves())
                if (glove->GetDeviceKey() == key)
                    return glove;
            return nullptr;
        }

        // Updates the reader until done says so; the time it took, or nothing after timeout.
        template <typename Done>
        static std::optional<std::chrono::milliseconds> UpdateUntil(ServiceReader& reader, Done done,
                                                                    std::chrono::milliseconds timeout)
        {
            const auto start = Clock::now();
            while (Clock::now() - start < timeout)
            {
                reader.Update();
                if (done())
                    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return std::nullopt;
        }

        // Reader and per-call path give equal poses, IMU rotations and calibration ranges.
        static void ExpectSameFrames(ServiceReader& reader, std::size_t position, HapticGlove& perCall,
                                     const HandProfile& profile, bool complete)
        {
            HandPose ours;
            HandPose theirs;
            HandProfile copy = profile;
            EXPECT_EQ(reader.GetHandPose(position, profile, ours), complete);
            EXPECT_EQ(perCall.GetHandPose(copy, theirs), complete);
            EXPECT_TRUE(ours.Equals(theirs));
            Kinematics::Quat q;
            Kinematics::Quat r;
            EXPECT_EQ(reader.GetIMURotation(position, q), perCall.GetIMURotation(r));
            EXPECT_TRUE(q.Equals(r));
            std::vector<Kinematics::Vect3D> lo, hi, perLo, perHi;
            reader.Glove(position)->GetCalibrationRange(lo, hi);
            perCall.GetCalibrationRange(perLo, perHi);
            ASSERT_EQ(lo.size(), perLo.size());
            for (std::size_t f = 0; f < lo.size(); ++f)
                EXPECT_TRUE(lo[f].Equals(perLo[f]) && hi[f].Equals(perHi[f])) << "finger " << f;
        }
    };
}

TEST_F(ServiceReaderTest, AnswersAsThePerCallPathAndFollowsRecordChanges)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--beta", "dev7:HW2:v1.4"}));
    ServiceReader reader;
    ASSERT_EQ(reader.DeviceCount(), 3u);
    EXPECT_EQ(reader.State(), State::Running);
    for (std::size_t i = 0; i < 2; ++i)
    {
        const auto& info = reader.Info(i);
        auto perCall = PerCallGlove(info.deviceKey);
        ASSERT_NE(perCall, nullptr);
        EXPECT_NE(reader.Glove(i), perCall) << "the reader's objects are its own";
        EXPECT_EQ(info.deviceIndex, static_cast<int>(i));
        EXPECT_EQ(info.type, perCall->GetDeviceType());
        EXPECT_EQ(info.deviceID, perCall->GetDeviceID());
        EXPECT_EQ(info.firmware, perCall->GetFirmwareString());
        EXPECT_EQ(info.isRight, perCall->IsRight());
        EXPECT_EQ(info.connected, perCall->IsConnected());
        EXPECT_EQ(info.address, perCall->GetAddress());
        EXPECT_EQ(info.connectionType, perCall->GetConnectionType());
    }
    EXPECT_FALSE(reader.Info(2).isGlove);
    EXPECT_EQ(reader.Glove(2), nullptr);
    EXPECT_EQ(reader.Device(2)->GetDeviceID(), "dev7");
    EXPECT_EQ(reader.FindGlove(true), 0u);
    EXPECT_EQ(reader.FindGlove(false), 1u);
    EXPECT_EQ(reader.FindKey("device2"), 2u);
    EXPECT_EQ(reader.FindIndex(7), ServiceReader::npos);

    // Fixed texts: a change is New once, then Unchanged, with its sequence and first sighting.
    const std::string tessaraText = TS::TessaraVars::GetSensorString("QX7.2", 0.0f);
    std::string bent = tessaraText;
    bent.replace(bent.find("-1.570"), 6, "-1.200");
    ASSERT_TRUE(sim.Control("data 0 " + tessaraText));
    ASSERT_TRUE(sim.Control("data 1 412;388|530|611|702:0.012;-0.020;0.383;0.924"));
    const ServiceReader::Reading first = reader.Read(0);
    EXPECT_EQ(reader.Text(0), tessaraText);
    const ServiceReader::Reading again = reader.Read(0);
    EXPECT_EQ(again.status, Status::Unchanged);
    EXPECT_EQ(again.sequence, first.sequence);
    EXPECT_EQ(again.firstSeen, first.firstSeen);
    ASSERT_TRUE(sim.Control("data 0 " + bent));
    std::string copy;
    const ServiceReader::Reading changed = reader.ReadText(0, copy);
    EXPECT_TRUE(changed.IsNew());
    EXPECT_EQ(changed.sequence, first.sequence + 1);
    EXPECT_GT(changed.firstSeen, first.firstSeen);
    EXPECT_EQ(copy, reader.Text(0));

    // Poses, orientations and the widened ranges match the per-call path's, complete or not,
    // with a profile whose parts disagree on the side (each family takes its own for the idle pose).
    const HandProfile mixed(true, TS::TS_HandProfile::Default(true), Kelvo::Kelvo_Profile::Default(false));
    for (std::size_t i = 0; i < 2; ++i)
        ExpectSameFrames(reader, i, *PerCallGlove(reader.Info(i).deviceKey), mixed, true);
    HandPose viaReader;
    HandPose viaText;
    ASSERT_TRUE(reader.GetHandPose(0, mixed, viaReader));
    EXPECT_TRUE(ServiceReader::HandPoseFromText(*reader.Glove(0), reader.Text(0), mixed, viaText));
    EXPECT_TRUE(viaText.Equals(viaReader));
    ASSERT_TRUE(sim.Control("data 0 0:1;2;3"));
    ASSERT_TRUE(sim.Control("data 1 1;2|3"));
    for (std::size_t i = 0; i < 2; ++i)
        ExpectSameFrames(reader, i, *PerCallGlove(reader.Info(i).deviceKey), mixed, false);

    // The command entries in "Haptics", read back as any writer left them; the service's own texts.
    std::string command = "left alone";
    EXPECT_FALSE(ServiceReader::ReadCommandText("device0", command)) << "nothing was sent yet";
    EXPECT_EQ(command, "");
    reader.Glove(1)->SendHaptics(Haptics::TS_FFBCmd(0, 50, 0, 99, 0));
    ASSERT_TRUE(ServiceReader::ReadCommandText("device1", command));
    EXPECT_EQ(command, std::string("{Z\x01\x33\x01\x64\x01\x01\x01}", 10)) << "Kelvo: four levels, thumper, two";
    EXPECT_FALSE(ServiceReader::ReadCommandText("device0", command));
    std::string text;
    ASSERT_TRUE(ServiceReader::ReadServiceText("nDevices", text));
    EXPECT_EQ(text, "3");
    EXPECT_FALSE(ServiceReader::ReadServiceText("bridge", text)) << "the simulator writes no such object";

    // Records: new facts keep the object; another identity replaces it; a record that no longer
    // parses drops the entry. Connection states follow within one check.
    const auto beta = reader.Device(2);
    const std::uint64_t generation = reader.Generation();
    const std::string moved = "1@60@-1@{dev7:HW2:v1.4}@elsewhere@1";
    ASSERT_TRUE(sim.Control("record 2 " + moved));
    ASSERT_TRUE(sim.Control("disconnect 1"));
    EXPECT_FALSE(reader.Refresh());
    EXPECT_EQ(reader.Device(2), beta);
    EXPECT_EQ(reader.Info(2).address, "elsewhere");
    EXPECT_EQ(reader.Info(2).packetsPerSecond, 60);
    EXPECT_EQ(reader.Info(2).record, moved);
    ServiceReader::DeviceInfo parsed;
    const auto fromRecord = ServiceReader::DeviceFromRecord(2, moved, &parsed);
    ASSERT_NE(fromRecord, nullptr);
    EXPECT_NE(fromRecord, beta);
    EXPECT_EQ(fromRecord->GetDeviceKey(), "device2");
    EXPECT_EQ(parsed.address, "elsewhere");
    EXPECT_EQ(parsed.deviceID, "dev7");
    EXPECT_EQ(ServiceReader::DeviceFromRecord(2, "1@60@7@{x}@a@0"), nullptr);
    EXPECT_FALSE(reader.Info(1).connected);
    EXPECT_EQ(reader.FindGlove(false), ServiceReader::npos);
    ASSERT_TRUE(sim.Control("record 2 1@60@-1@{dev8:HW3:v2.0}@elsewhere@1"));
    EXPECT_TRUE(reader.Refresh());
    EXPECT_NE(reader.Device(2), beta);
    EXPECT_EQ(reader.Info(2).deviceID, "dev8");
    EXPECT_EQ(reader.LastReading(2).sequence, 0u) << "a new device's readings start over";
    ASSERT_TRUE(sim.Control("record 2 1@60@7@{dev8}@elsewhere@1"));
    EXPECT_TRUE(reader.Refresh());
    EXPECT_EQ(reader.DeviceCount(), 2u);
    EXPECT_EQ(reader.FindKey("device2"), ServiceReader::npos);
    EXPECT_EQ(reader.Generation(), generation + 2);

    // Positions beyond the list answer like a device without data.
    HandPose pose;
    EXPECT_FALSE(reader.GetHandPose(5, mixed, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(true)));
    EXPECT_EQ(reader.Read(5).status, Status::Missing);
    EXPECT_EQ(reader.Info(5).deviceIndex, -1);
    EXPECT_TRUE(reader.Text(5).empty());
}

TEST_F(ServiceReaderTest, FollowsAStaleStampAKillARestartWithOtherGlovesAndAStop)
{
    auto first = std::make_unique<SimProcess>();
    ASSERT_TRUE(first->Launch({"--tessara", "right", "--scan-offset=-5"}));
    ServiceReader reader;
    ASSERT_EQ(reader.DeviceCount(), 1u);
    EXPECT_EQ(reader.State(), State::Stale);
    EXPECT_GE(reader.StampAge().value_or(0), 4);
    HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    EXPECT_TRUE(reader.GetHandPose(0, profile, pose)) << "a stale service's last reading is still there";
    ASSERT_TRUE(first->Control("stale"));
    reader.Refresh();
    EXPECT_EQ(reader.State(), State::Stopped) << "100 s without an update counts as stopped";
    EXPECT_EQ(reader.DeviceCount(), 1u) << "its segments still announce the glove";
    ASSERT_TRUE(first->Control("scan 0"));
    reader.Refresh();
    EXPECT_EQ(reader.State(), State::Running);

    // Killed: the segments stay behind. A new service with other devices replaces them and is
    // followed within a second, by Update alone.
    const auto held = reader.Glove(0);
    first->Stop(SIGKILL);
    first.reset();
    SimProcess second;
    ASSERT_TRUE(second.Launch({"--kelvo", "left", "--beta", "b:H:v1.0"}));
    const auto followed = UpdateUntil(
        reader, [&] { return reader.DeviceCount() == 2 && reader.Info(0).type == DeviceType::Kelvo; },
        std::chrono::seconds(3));
    ASSERT_TRUE(followed.has_value());
    EXPECT_LT(followed->count(), 1000);
    EXPECT_EQ(reader.State(), State::Running);
    EXPECT_TRUE(reader.GetHandPose(0, profile, pose));
    EXPECT_EQ(held->ToString(), "Tessara QX7.2-R0001") << "an object the caller holds stays usable";

    // Stopped: nothing is announced, nothing is read, nothing breaks.
    second.Stop();
    ASSERT_TRUE(UpdateUntil(
        reader, [&] { return reader.DeviceCount() == 0; }, std::chrono::seconds(1)));
    EXPECT_EQ(reader.State(), State::Stopped);
    EXPECT_FALSE(reader.StampAge().has_value());
    EXPECT_EQ(reader.Read(0).status, Status::Missing);
    EXPECT_FALSE(reader.GetHandPose(0, profile, pose));
    EXPECT_FALSE(held->GetHandPose(profile, pose));

    // Started again after a stop: found by Update alone.
    SimProcess third;
    ASSERT_TRUE(third.Launch({"--tessara", "left"}));
    ASSERT_TRUE(UpdateUntil(
        reader, [&] { return reader.FindGlove(false) == 0; }, std::chrono::seconds(1)));
    EXPECT_TRUE(reader.GetHandPose(0, HandProfile::Default(false), pose));
}
