// The exoskeleton glove end to end, against a real tesslink-sim process.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <boost/interprocess/managed_shared_memory.hpp>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Finger.h>
#include <TSCore/TS/Tessara.h>

#include "SimTest.h"

namespace bip = boost::interprocess;
using TSCore::DeviceList;
using TSCore::Finger;
using TSCore::HandPose;
using TSCore::HandProfile;
using TSCore::HapticGlove;
using TSCore::Haptics::ThumperCmd;
using TSCore::Haptics::TS_BuzzCmd;
using TSCore::Haptics::TS_FFBCmd;
using TSCore::Haptics::TS_ThumperCmd;
using TSCore::Kinematics::Vect3D;
using TSCore::TS::Tessara;
using TSCoreTest::SimProcess;

namespace
{
    class TessaraDevice : public TSCoreTest::SimTest
    {
    protected:
        std::shared_ptr<HapticGlove> Glove(bool right)
        {
            std::shared_ptr<HapticGlove> glove;
            EXPECT_TRUE(HapticGlove::GetGlove(right, glove));
            return glove;
        }

        /// The raw bytes the simulator received with the next command for key.
        std::string NextCommand(const std::string& key)
        {
            auto line = sim.WaitForPrefix("haptics " + key + " ");
            if (!line)
                return "none received";
            return line->substr(line->find("raw=") + 4);
        }

        static std::vector<float> Flexion(const HandPose& pose)
        {
            std::vector<float> f;
            for (int i = 0; i < TSCore::fingerCount; ++i)
                f.push_back(pose.GetNormalizedFlexion(static_cast<Finger>(i), true));
            return f;
        }
    };
}

TEST_F(TessaraDevice, DiscoveredBySideThroughEveryFinder)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--tessara", "left"}));
    auto gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u);
    EXPECT_TRUE(gloves[0]->IsRight());
    EXPECT_FALSE(gloves[1]->IsRight());
    EXPECT_EQ(gloves[0]->GetDeviceType(), TSCore::DeviceType::Tessara);
    EXPECT_EQ(gloves[1]->ToString().rfind("Tessara ", 0), 0u);

    EXPECT_EQ(Glove(true), gloves[0]) << "GetGlove shares the cached object";
    EXPECT_EQ(Glove(false), gloves[1]);

    Tessara left;
    ASSERT_TRUE(Tessara::GetTessara(false, left));
    EXPECT_FALSE(left.IsRight());
    EXPECT_EQ(left.GetDeviceKey(), "device1");
    EXPECT_EQ(Tessara::GetTessaras(false).size(), 2u);
}

TEST_F(TessaraDevice, NoGloveOfTheOtherSide)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right"}));
    std::shared_ptr<HapticGlove> glove = std::make_shared<Tessara>();
    EXPECT_FALSE(HapticGlove::GetGlove(false, glove));
    EXPECT_EQ(glove, nullptr);
    Tessara out;
    EXPECT_FALSE(Tessara::GetTessara(false, out));
    EXPECT_TRUE(Tessara::GetTessara(true, out));
}

TEST_F(TessaraDevice, FistIsMoreFlexedThanOpen)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--motion", "open"}));
    HandProfile profile = HandProfile::Default(true);
    HandPose open;
    ASSERT_TRUE(Glove(true)->GetHandPose(profile, open));
    sim.Stop();

    DeviceList::Dispose();
    DeviceList::ReInitialize();
    SimProcess fistSim;
    ASSERT_TRUE(fistSim.Launch({"--tessara", "right", "--motion", "fist"}));
    HandPose fist;
    ASSERT_TRUE(Glove(true)->GetHandPose(profile, fist));
    fistSim.Stop();

    const auto o = Flexion(open);
    const auto f = Flexion(fist);
    for (std::size_t i = 0; i < static_cast<std::size_t>(TSCore::fingerCount); ++i)
        EXPECT_GT(f[i], o[i] + 0.2f) << "finger " << i << ": open " << o[i] << ", fist " << f[i];
    std::printf("flexion open:  %.3f %.3f %.3f %.3f %.3f\n", o[0], o[1], o[2], o[3], o[4]);
    std::printf("flexion fist:  %.3f %.3f %.3f %.3f %.3f\n", f[0], f[1], f[2], f[3], f[4]);
}

TEST_F(TessaraDevice, CalibrationWidensOverAMotionAndIsStored)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--motion", "wave", "--period", "1"}));
    auto glove = Glove(true);
    ASSERT_NE(glove, nullptr);
    glove->ResetCalibrationRange();
    HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until)
    {
        ASSERT_TRUE(glove->GetHandPose(profile, pose));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<Vect3D> lo;
    std::vector<Vect3D> hi;
    glove->GetCalibrationRange(lo, hi);
    for (std::size_t i = 1; i < static_cast<std::size_t>(TSCore::fingerCount); ++i)
    {
        EXPECT_LT(lo[i].x, 9999.0f) << "the first reading replaces the sentinels";
        EXPECT_GT(hi[i].y - lo[i].y, 60.0f * TSCore::Kinematics::Values::Deg2Rad) << "finger " << i;
    }

    glove->UpdateCalibration(profile);
    EXPECT_FALSE(profile.Equals(HandProfile::Default(true)));
    EXPECT_TRUE(profile.kelvoProfile.Equals(HandProfile::Default(true).kelvoProfile));
    const auto& set = profile.tsProfile.interpolator.interpolationSets[1][0];
    EXPECT_FLOAT_EQ(set.inStart, lo[1].y);
    EXPECT_FLOAT_EQ(set.inEnd, hi[1].y);
    EXPECT_TRUE(HandProfile::Deserialize(profile.Serialize()).Equals(profile));
}

TEST_F(TessaraDevice, CommandBytesFollowTheFirmware)
{
    ASSERT_TRUE(sim.Launch(
        {"--tessara", "right:4.6", "--tessara", "right:4.7", "--tessara", "left:4.9", "--tessara", "left:5.0"}));
    auto gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 4u);
    const char* expected[] = {"7b5a"
                              "01010101010101010101"
                              "7d",
                              "7b5a"
                              "01010101010101010101"
                              "7e7d",
                              "7b5a"
                              "01010101010101010101"
                              "7e7d",
                              "7b5a"
                              "01010101010101010101"
                              "7d"};
    for (std::size_t i = 0; i < 4; ++i)
    {
        gloves[i]->StopHaptics();
        EXPECT_EQ(NextCommand("device" + std::to_string(i)), expected[i]) << "glove " << i;
    }

    Tessara glove;
    ASSERT_TRUE(Tessara::GetTessara(true, glove));
    ASSERT_EQ(glove.GetFirmwareString(), "4.6");
    // The thumper-capable glove: every level byte, then the effect code.
    auto t47 = std::static_pointer_cast<Tessara>(gloves[1]);
    ASSERT_TRUE(t47->SendHaptics(TS_FFBCmd(10, 20, 30, 40, 50), TS_BuzzCmd(60, 70, 80, 90, 100), TS_ThumperCmd::Pulse));
    EXPECT_EQ(NextCommand("device1"), "7b5a0b151f29333d47515b6504"
                                      "7d");

    // A thumper alone keeps the last levels; the ThumperCmd slot never sends an effect.
    ASSERT_TRUE(t47->SendHaptics(TS_ThumperCmd::Tap));
    EXPECT_EQ(NextCommand("device1"), "7b5a0b151f29333d47515b6501"
                                      "7d");
    t47->SendHaptics(ThumperCmd(50));
    EXPECT_EQ(NextCommand("device1"), "7b5a0b151f29333d47515b657e"
                                      "7d");
    t47->SendHaptics(TS_BuzzCmd::off);
    EXPECT_EQ(NextCommand("device1"), "7b5a0b151f2933"
                                      "0101010101"
                                      "7e7d");
    t47->SendHaptics(TS_FFBCmd(Finger::Middle, -1));
    EXPECT_EQ(NextCommand("device1"), "7b5a0101"
                                      "0101010101"
                                      "7e7d")
        << "a level of -1 ends its fragment";
}

TEST_F(TessaraDevice, FailedWriteKeepsTheLastCommands)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right"}));
    auto glove = std::static_pointer_cast<Tessara>(Glove(true));
    ASSERT_NE(glove, nullptr);
    glove->SendHaptics(TS_BuzzCmd(9, 9, 9, 9, 9));
    EXPECT_EQ(NextCommand("device0"), "7b5a"
                                      "0101010101"
                                      "0a0a0a0a0a"
                                      "7e7d");

    // A copy with a key the full segment has no room for: its write fails.
    {
        bip::managed_shared_memory haptics(bip::open_only, "Haptics");
        void* filler = haptics.allocate(haptics.get_free_memory() - 64);
        Tessara copy = *glove;
        copy.SetDeviceIndex(7);
        EXPECT_FALSE(copy.SendHaptics(TS_FFBCmd(1, 1, 1, 1, 1), TS_BuzzCmd(2, 2, 2, 2, 2), TS_ThumperCmd::None));
        EXPECT_EQ(copy.lastBuzz.GetLevels(), std::vector<int>(5, 9));
        haptics.deallocate(filler);
    }
    glove->SendHaptics(TS_FFBCmd(3, 3, 3, 3, 3));
    EXPECT_EQ(NextCommand("device0"), "7b5a"
                                      "0404040404"
                                      "0a0a0a0a0a"
                                      "7e7d");
}

TEST_F(TessaraDevice, ServiceStoppedThenRestarted)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "left", "--motion", "fist"}));
    auto glove = Glove(false);
    ASSERT_NE(glove, nullptr);
    HandProfile profile = HandProfile::Default(false);
    HandPose pose;
    ASSERT_TRUE(glove->GetHandPose(profile, pose));
    sim.Stop();

    EXPECT_FALSE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(false)));
    TSCore::Kinematics::Quat q;
    EXPECT_FALSE(glove->GetIMURotation(q));
    std::vector<Vect3D> values;
    EXPECT_FALSE(glove->GetCalibrationValues(values));

    SimProcess again;
    ASSERT_TRUE(again.Launch({"--tessara", "left", "--motion", "fist"}));
    EXPECT_TRUE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(glove->GetIMURotation(q));
    again.Stop();
}
