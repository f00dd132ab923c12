// The second glove model alone and beside an exoskeleton glove, against a real tesslink-sim.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Finger.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include "SimTest.h"

using TSCore::DeviceList;
using TSCore::Finger;
using TSCore::HandPose;
using TSCore::HandProfile;
using TSCore::HapticGlove;
using TSCore::Haptics::ThumperCmd;
using TSCore::Haptics::TS_BuzzCmd;
using TSCore::Haptics::TS_FFBCmd;
using TSCore::Kelvo::Kelvo;
using TSCore::Kinematics::Vect3D;
using TSCore::TS::Tessara;
using TSCoreTest::SimProcess;

namespace
{
    class KelvoGlove : public TSCoreTest::SimTest
    {
    protected:
        std::string NextCommand(const std::string& key)
        {
            auto line = sim.WaitForPrefix("haptics " + key + " ");
            return line ? line->substr(line->find("raw=") + 4) : "none received";
        }

        /// Hand poses for a while, so the glove sees a whole motion.
        static void Watch(HapticGlove& glove, HandProfile& profile, std::chrono::milliseconds span)
        {
            HandPose pose;
            const auto until = std::chrono::steady_clock::now() + span;
            while (std::chrono::steady_clock::now() < until)
            {
                EXPECT_TRUE(glove.GetHandPose(profile, pose));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }

        static float MeanFlexion(const HandPose& pose)
        {
            float sum = 0;
            for (float f : pose.GetNormalizedFlexion(true))
                sum += f;
            return sum / 5.0f;
        }
    };
}

TEST_F(KelvoGlove, BothFamiliesDiscoveredInOrder)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--beta", "b:H:v1.0"}));
    auto gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u) << "the beta device is no glove";
    EXPECT_EQ(gloves[0]->GetDeviceType(), TSCore::DeviceType::Tessara);
    EXPECT_EQ(gloves[1]->GetDeviceType(), TSCore::DeviceType::Kelvo);
    EXPECT_EQ(gloves[1]->ToString().rfind("Kelvo ", 0), 0u);
    EXPECT_FALSE(gloves[1]->IsRight());

    EXPECT_EQ(Kelvo::GetKelvos().size(), 1u);
    EXPECT_EQ(Tessara::GetTessaras(false).size(), 1u);
    std::shared_ptr<HapticGlove> left;
    ASSERT_TRUE(HapticGlove::GetGlove(false, left));
    EXPECT_EQ(left, gloves[1]);
}

TEST_F(KelvoGlove, FindsByHandEvenWhenDisconnected)
{
    ASSERT_TRUE(sim.Launch({"--kelvo", "right"}));
    Kelvo k;
    ASSERT_TRUE(Kelvo::GetKelvo(k));
    ASSERT_TRUE(sim.Control("disconnect 0"));
    Kelvo other;
    EXPECT_FALSE(Kelvo::GetKelvo(other));
    EXPECT_TRUE(Kelvo::GetKelvo(true, other));
    EXPECT_FALSE(Kelvo::GetKelvo(false, other));
}

TEST_F(KelvoGlove, EachGloveTouchesOnlyItsPartOfOneProfile)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "right", "--motion", "wave", "--period", "1"}));
    auto gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u);
    const HandProfile original = HandProfile::Default(true);

    HandProfile forKelvo = original;
    gloves[1]->ResetCalibrationRange();
    Watch(*gloves[1], forKelvo, std::chrono::milliseconds(1200));
    gloves[1]->UpdateCalibration(forKelvo);
    EXPECT_TRUE(forKelvo.tsProfile.Equals(original.tsProfile));
    EXPECT_FALSE(forKelvo.kelvoProfile.Equals(original.kelvoProfile));

    HandProfile forTessara = forKelvo;
    gloves[0]->ResetCalibrationRange();
    Watch(*gloves[0], forTessara, std::chrono::milliseconds(300));
    gloves[0]->UpdateCalibration(forTessara);
    EXPECT_TRUE(forTessara.kelvoProfile.Equals(forKelvo.kelvoProfile));
    EXPECT_FALSE(forTessara.tsProfile.Equals(original.tsProfile));
    EXPECT_TRUE(HandProfile::Deserialize(forTessara.Serialize()).Equals(forTessara));
}

TEST_F(KelvoGlove, CalibrationOverAMotionSpreadsTheRawRange)
{
    ASSERT_TRUE(sim.Launch({"--kelvo", "left", "--motion", "wave", "--period", "1"}));
    std::shared_ptr<HapticGlove> glove;
    ASSERT_TRUE(HapticGlove::GetGlove(false, glove));
    glove->ResetCalibrationRange();
    HandProfile profile = HandProfile::Default(false);
    Watch(*glove, profile, std::chrono::milliseconds(1200));

    std::vector<Vect3D> lo;
    std::vector<Vect3D> hi;
    glove->GetCalibrationRange(lo, hi);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_GT(hi[i].y - lo[i].y, 500.0f) << "finger " << i;
    EXPECT_TRUE(hi[4].Equals(hi[3])) << "the little finger follows the ring finger";

    glove->ApplyCalibration(profile);
    const auto& mcp = profile.kelvoProfile.interpolator.interpolationSets[4][0];
    EXPECT_FLOAT_EQ(mcp.inStart, lo[3].y);
    EXPECT_FLOAT_EQ(mcp.inEnd, hi[3].y);

    // Through the calibrated profile, the fist end of the motion reads as a flexed hand.
    sim.Control("data 0 900;900|900|900|900:0;0;0;1");
    HandPose pose;
    ASSERT_TRUE(glove->GetHandPose(profile, pose));
    const float fist = MeanFlexion(pose);
    sim.Control("data 0 100;100|100|100|100:0;0;0;1");
    ASSERT_TRUE(glove->GetHandPose(profile, pose));
    const float open = MeanFlexion(pose);
    EXPECT_GT(fist, open + 0.3f) << "fist " << fist << ", open " << open;
}

TEST_F(KelvoGlove, CommandBytes)
{
    ASSERT_TRUE(sim.Launch({"--kelvo", "right"}));
    std::shared_ptr<HapticGlove> glove;
    ASSERT_TRUE(HapticGlove::GetGlove(glove));
    glove->StopHaptics();
    EXPECT_EQ(NextCommand("device0"), "7b5a"
                                      "01010101010101"
                                      "7d");
    glove->SendHaptics(TS_FFBCmd(10, 20, 30, 40, 50), TS_BuzzCmd(60, 70, 80, 90, 100), ThumperCmd(5));
    EXPECT_EQ(NextCommand("device0"), "7b5a"
                                      "0b151f29"
                                      "06"
                                      "3d47"
                                      "7d");
    glove->SendHaptics(TS_BuzzCmd::off);
    EXPECT_EQ(NextCommand("device0"), "7b5a"
                                      "0b151f29"
                                      "06"
                                      "0101"
                                      "7d");
    auto line = sim.WaitForPrefix("haptics device0", std::chrono::milliseconds(10));
    EXPECT_FALSE(line.has_value()) << "one line per command: " << *line;
}

TEST_F(KelvoGlove, ServiceStoppedThenRestarted)
{
    ASSERT_TRUE(sim.Launch({"--kelvo", "right", "--motion", "fist"}));
    std::shared_ptr<HapticGlove> glove;
    ASSERT_TRUE(HapticGlove::GetGlove(true, glove));
    HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    ASSERT_TRUE(glove->GetHandPose(profile, pose));
    sim.Stop();
    EXPECT_FALSE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(true)));

    SimProcess again;
    ASSERT_TRUE(again.Launch({"--kelvo", "right", "--motion", "fist"}));
    EXPECT_TRUE(glove->GetHandPose(profile, pose));
    again.Stop();
}
