// A hostile service: a separate process fills the segments with the worst it can while the
// library discovers, reads poses, calibrates and sends commands. Nothing may crash or throw,
// and every answer must be one the API documents.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>
#include <TSCore/TS/TessaraVars.h>

#include "SimProcess.h"

namespace bip = boost::interprocess;
using namespace TSCore;

namespace
{
    using ShmString = bip::basic_string<char, std::char_traits<char>,
                                        bip::allocator<char, bip::managed_shared_memory::segment_manager>>;

    constexpr std::size_t segmentSize = 1 << 20;

    void Put(bip::managed_shared_memory& segment, const std::string& name, const std::string& value)
    {
        try
        {
            segment.find_or_construct<ShmString>(name.c_str())(segment.get_segment_manager())
                ->assign(value.data(), value.size());
        }
        catch (const bip::bad_alloc&)
        {
            // Full: keep going with the next value.
        }
    }

    std::string Repeat(const std::string& piece, std::size_t times)
    {
        std::string s;
        s.reserve(piece.size() * times);
        for (std::size_t i = 0; i < times; ++i)
            s += piece;
        return s;
    }

    // Every nasty value the writer draws from.
    std::vector<std::string> NastyTexts()
    {
        std::string binary;
        for (int c = 1; c < 256; ++c)
            binary.push_back(static_cast<char>(c));
        const std::string tessara = TS::TessaraVars::GetStdCString("QX7.2", 4.7f, true);
        return {
            "",
            "@",
            "@@@@@@",
            Repeat("@", 5000),
            ":::::",
            "|||||",
            ";;;;;",
            "{}",
            "{",
            "}",
            "1@60@0@{" + Repeat("x:", 4000) + "}@a@0",
            "1@60@2@{" + Repeat("1;", 4000) + "}@a@0",
            "1@60@-1@{" + Repeat("@", 10) + "}@a@0",
            "1@99999999999@0@{" + tessara + "}@addr@77777777777",
            "1@60@0@{" + tessara + "}@addr@2",
            "1@60@2@{C:KV1-R0001:KV1:v2.1:R:4:0;0;0}@addr@2",
            "1@60@2@{C:KV1:KV1:v99999999999.1:L:4:nan;inf;1e999}@addr@2",
            "1@60@0@{C:QX7.2-R0008:QX7.2:v4.7:R:3:nan;inf;-inf;1e999;1e-999;0|" + Repeat("9e99;", 30) + "}@a@2",
            "1@60@99999999999@{x}@a@0",
            "1@nan@inf@{-1}@@",
            "0:nan;inf;-inf;1e999|1e-999;99999999999999999999|" + Repeat("1.5;", 3000) + ":nan;nan;nan;nan:0:0",
            "nan;inf|1e999|-1e999|" + Repeat("|", 3000) + ":inf;inf;inf;inf",
            "2147483647",
            "-2147483648",
            "99999999999999999999",
            "-5",
            "0",
            "3",
            "1e999",
            "nan",
            "inf",
            binary,
            Repeat(binary, 200),
            std::string(segmentSize / 2, 'x'),
        };
    }

    // Everything a frame of the reader does; every answer must be one the API documents.
    void ReadEverything(ServiceReader& reader)
    {
        reader.Update();
        EXPECT_LE(reader.DeviceCount(), 8u);
        for (std::size_t i = 0; i <= reader.DeviceCount(); ++i)
        {
            const ServiceReader::DeviceInfo& info = reader.Info(i);
            EXPECT_EQ(info.isGlove, reader.Glove(i) != nullptr);
            const HandProfile profile = HandProfile::Default(info.isRight);
            HandPose pose;
            if (reader.GetHandPose(i, profile, pose))
                EXPECT_EQ(pose.jointPositions.size(), 5u);
            else
                EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(info.isRight)));
            Kinematics::Quat q;
            reader.GetIMURotation(i, q);
            std::string text;
            reader.ReadText(i, text);
            EXPECT_EQ(text, reader.Text(i));
        }
        ServiceReader::StateName(reader.State());
    }

    // The hostile writer: rewrites every object of "Devices" and "Data" at random for a while.
    [[noreturn]] void RunHostileService(int seconds)
    {
        try
        {
            bip::managed_shared_memory devices(bip::create_only, "Devices", segmentSize);
            bip::managed_shared_memory data(bip::create_only, "Data", segmentSize);
            const std::vector<std::string> nasty = NastyTexts();
            std::mt19937 rng(2026);
            Put(devices, "scanActive", std::to_string(time(nullptr)));
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
            int flip = 0;
            while (std::chrono::steady_clock::now() < until)
            {
                const char* counts[] = {"2147483647", "0", "8", "-1", "3"};
                Put(devices, "nDevices", counts[flip++ % 5]); // a count that flips every step
                const std::string key = "device" + std::to_string(rng() % 8);
                Put(devices, key, nasty[rng() % nasty.size()]);
                Put(data, key, nasty[rng() % nasty.size()]);
                if (rng() % 16 == 0)
                    Put(devices, "scanActive", nasty[rng() % nasty.size()]);
                usleep(1000);
            }
        }
        catch (...)
        {
            _exit(2);
        }
        _exit(0);
    }
}

TEST(HostileService, NothingCrashesNothingThrowsEveryAnswerIsDocumented)
{
    TSCoreTest::RemoveSegments();
    DeviceList::Dispose();
    DeviceList::ReInitialize();
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0)
        RunHostileService(4);
    usleep(50000); // let it create the segments

    long poses = 0;
    long posesAccepted = 0;
    ServiceReader reader;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int round = 0; std::chrono::steady_clock::now() < until; ++round)
    {
        ASSERT_NO_THROW({
            DeviceList::TessLinkRunning();
            const int n = DeviceList::ActiveDevices();
            EXPECT_GE(n, 0);
            for (const auto& glove : HapticGlove::GetHapticGloves())
            {
                ASSERT_NE(glove, nullptr);
                HandProfile profile = HandProfile::Default(glove->IsRight());
                HandPose pose;
                ++poses;
                if (glove->GetHandPose(profile, pose))
                {
                    ++posesAccepted;
                    EXPECT_EQ(pose.jointPositions.size(), 5u);
                }
                else
                {
                    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(profile.isRight)));
                }
                Kinematics::Quat q;
                glove->GetIMURotation(q);
                std::vector<Kinematics::Vect3D> values;
                if (!glove->GetCalibrationValues(values))
                {
                    EXPECT_EQ(values.size(), 5u);
                }
                glove->UpdateCalibration(profile);
                EXPECT_TRUE(HandProfile::Deserialize(profile.Serialize()).isRight == profile.isRight);
                glove->SendHaptics(Haptics::TS_BuzzCmd(round % 100, 0, 0, 0, 0));
                glove->ToString();
                glove->GetFirmwareString();
                glove->PacketsPerSecond();
                glove->GetConnectionType();
            }
            TS::Tessara::GetTessaras(false);
            Kelvo::Kelvo::GetKelvos();
            ReadEverything(reader);
            std::string text;
            DeviceList::GetSensorDataString("device" + std::to_string(round % 8), text);
            // Rediscover now and then, so later records are parsed too.
            if (round % 10 == 0)
            {
                DeviceList::Dispose();
                DeviceList::ReInitialize();
            }
        });
    }
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the hostile writer itself failed";
    std::printf("hostile service: %ld hand poses asked, %ld accepted\n", poses, posesAccepted);
    DeviceList::Dispose();
    DeviceList::ReInitialize();
    TSCoreTest::RemoveSegments();
}

namespace
{
    // Segments as a well-behaved service writes them, with one device.
    void Publish(const std::string& record, const std::string& text)
    {
        bip::managed_shared_memory devices(bip::create_only, "Devices", 65536);
        bip::managed_shared_memory data(bip::create_only, "Data", 65536);
        Put(devices, "nDevices", "1");
        Put(devices, "scanActive", std::to_string(time(nullptr)));
        Put(devices, "device0", record);
        Put(data, "device0", text);
    }

    void Resize(const char* segment, bip::offset_t size)
    {
        bip::shared_memory_object(bip::open_only, segment, bip::read_write).truncate(size);
    }

    // Noise over the whole file, in place: same file, same size.
    void Scribble(const char* segment)
    {
        bip::shared_memory_object file(bip::open_only, segment, bip::read_write);
        bip::mapped_region region(file, bip::read_write);
        std::mt19937 rng(7);
        auto* bytes = static_cast<unsigned char*>(region.get_address());
        for (std::size_t i = 0; i < region.get_size(); ++i)
            bytes[i] = static_cast<unsigned char>(rng());
    }
}

// The segments a reader keeps mapped change under it between its calls. A read of a mapping
// past the end of its shrunk file would raise SIGBUS; of a scribbled one, follow wild pointers.
TEST(HostileService, SegmentsGrownShrunkReplacedAndScribbledUnderAReader)
{
    using Status = ServiceReader::ReadStatus;
    TSCoreTest::RemoveSegments();
    const std::string sensor = TS::TessaraVars::GetSensorString("QX7.2", 0.0f);
    const std::string record = "1@60@0@{" + TS::TessaraVars::GetStdCString("QX7.2", 4.7f, true) + "}@addr@2";
    Publish(record, sensor);
    ServiceReader reader;
    ASSERT_EQ(reader.DeviceCount(), 1u);
    const auto glove = reader.Glove(0);
    const HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    ASSERT_TRUE(reader.GetHandPose(0, profile, pose));

    Resize("Data", 131072);
    EXPECT_EQ(reader.Read(0).status, Status::Unchanged) << "a grown file is still safe to read";
    EXPECT_FALSE(reader.Update()) << "mapped anew at once, the same device";
    EXPECT_TRUE(reader.GetHandPose(0, profile, pose));
    EXPECT_EQ(reader.Glove(0), glove);

    Resize("Data", 4096);
    EXPECT_EQ(reader.Read(0).status, Status::Missing);
    reader.Refresh();
    EXPECT_EQ(reader.Read(0).status, Status::Missing) << "a truncated segment's index points past its end";
    EXPECT_FALSE(reader.GetHandPose(0, profile, pose));

    TSCoreTest::RemoveSegments();
    Publish(record, sensor);
    EXPECT_TRUE(reader.Refresh()) << "segments made anew: a restarted service";
    EXPECT_NE(reader.Glove(0), glove) << "whose devices are new objects, even the same glove";
    EXPECT_TRUE(reader.GetHandPose(0, profile, pose));

    Scribble("Data");
    Scribble("Devices");
    reader.GetHandPose(0, profile, pose); // a text of noise, or none: either way no crash
    reader.Refresh();
    EXPECT_EQ(reader.DeviceCount(), 0u) << "noise announces nothing";
    EXPECT_EQ(reader.State(), ServiceReader::ServiceState::Stopped);

    TSCoreTest::RemoveSegments();
    reader.Refresh();
    EXPECT_EQ(reader.State(), ServiceReader::ServiceState::Stopped);
    EXPECT_EQ(reader.Read(0).status, Status::Missing);
}
