// What the two glove families share, and where they are documented to differ.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>
#include <TSCore/TS/TessaraVars.h>

#include "../support/LogCapture.h"

using TSCore::HandPose;
using TSCore::HandProfile;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::Vect3D;

namespace
{
    // Thumb range zero wide in flexion (a thumb that did not move), index finger with a NaN bound,
    // middle finger usable; the rest untouched by the caller.
    void DegenerateRange(TSCore::HapticGlove& glove)
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        glove.calibrationMin = {Vect3D(0, 500, -1), Vect3D(0, nan, 0), Vect3D(0, 10, 0)};
        glove.calibrationMax = {Vect3D(0, 500, 1), Vect3D(0, 900, 0), Vect3D(0, 20, 0)};
    }

    void ExpectFlexionUntouched(const HandInterpolator& calibrated, const HandInterpolator& before)
    {
        for (std::size_t digit = 0; digit < 2; ++digit)
        {
            for (std::size_t set = 0; set < calibrated.interpolationSets[digit].size(); ++set)
            {
                if (digit == 0 && set == 2)
                    continue; // the thumb's abduction has a usable range
                EXPECT_TRUE(calibrated.interpolationSets[digit][set].Equals(before.interpolationSets[digit][set]))
                    << "digit " << digit << " set " << set;
            }
        }
        EXPECT_FLOAT_EQ(calibrated.interpolationSets[2][0].inStart, 10.0f);
        EXPECT_FLOAT_EQ(calibrated.interpolationSets[2][0].inEnd, 20.0f);
    }
}

TEST(GloveCalibration, UnusableRangeLeavesTheFingersSetsAndWarnsOnBothFamilies)
{
    TSCore::TS::Tessara tessara;
    tessara.gloveModel.isRight = true;
    DegenerateRange(tessara);
    TSCore::TS::TS_HandProfile tsProfile = TSCore::TS::TS_HandProfile::Default(true);
    TSCoreTest::LogCapture log(DebugLevel::Warnings);
    tessara.ApplyCalibration(tsProfile);
    const std::string warnings = log.Take();
    ExpectFlexionUntouched(tsProfile.interpolator, HandInterpolator::Default(true));
    EXPECT_NE(warnings.find("Calibration range of Thumb flexion is unusable (500.000000 .. 500.000000)"),
              std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("Calibration range of Index flexion is unusable (nan"), std::string::npos) << warnings;

    TSCore::Kelvo::Kelvo kelvo;
    DegenerateRange(kelvo);
    TSCore::Kelvo::Kelvo_Profile kelvoProfile = TSCore::Kelvo::Kelvo_Profile::Default(true);
    const TSCore::Kelvo::Kelvo_Profile untouched = kelvoProfile;
    TSCoreTest::LogCapture kelvoLog(DebugLevel::Warnings);
    kelvo.ApplyCalibration(kelvoProfile);
    EXPECT_NE(kelvoLog.Take().find("Calibration range of Thumb flexion is unusable"), std::string::npos);
    ExpectFlexionUntouched(kelvoProfile.interpolator, untouched.interpolator);

    // Every pose computed through the profile stays a number.
    const HandPose pose = TSCore::Kelvo::Kelvo::CalculateHandPose(
        TSCore::Kinematics::BasicHandModel::Default(true),
        TSCore::Kelvo::Kelvo_SensorData({{0, 500, 0}, {0, 900, 0}, {0, 15, 0}, {0, 0, 0}}, 5, {}, true), kelvoProfile);
    for (const auto& finger : pose.handAngles)
        for (const Vect3D& joint : finger)
            EXPECT_FALSE(std::isnan(joint.x) || std::isnan(joint.y) || std::isnan(joint.z));
}

// The families differ where each is documented to: the exoskeleton widens its calibration range
// with every glove pose (not with a bare reading), answers a failed frame through a HandProfile
// with the idle hand of the HandProfile's side, and logs a failed send; the second model takes its
// part's side and logs only a successful send.
TEST(GloveFamilies, DocumentedDifferencesStay)
{
    TSCore::TS::TS_GloveInfo info;
    ASSERT_TRUE(
        TSCore::TS::TS_GloveInfo::Parse(TSCore::TS::TessaraVars::GetStdCString("QX7.2", 4.7f, true), info, true));
    TSCore::TS::Tessara tessara(info);
    TSCore::TS::TS_GlovePose glovePose;
    ASSERT_TRUE(tessara.GetGlovePose(
        TSCore::TS::TS_SensorData::Parse(TSCore::TS::TessaraVars::GetSensorString("QX7.2", 0), info), glovePose));
    ASSERT_EQ(tessara.calibrationMin.size(), 5u);
    EXPECT_FLOAT_EQ(tessara.calibrationMin[1].x, 0.0f); // the sentinel gave way to the pose's total

    HandProfile profile(true, TSCore::TS::TS_HandProfile::Default(false), TSCore::Kelvo::Kelvo_Profile::Default(false));
    HandPose pose;
    TSCore::Kelvo::Kelvo kelvo;
    EXPECT_FALSE(tessara.GetHandPose(profile, pose)); // no service, no key: no reading
    EXPECT_TRUE(pose.isRight);
    EXPECT_FALSE(kelvo.GetHandPose(profile, pose));
    EXPECT_FALSE(pose.isRight);

    TSCoreTest::LogCapture log;
    EXPECT_FALSE(tessara.SendHaptics(TSCore::Haptics::TS_FFBCmd(10, 0, 0, 0, 0), TSCore::Haptics::TS_BuzzCmd::off,
                                     TSCore::Haptics::TS_ThumperCmd::None));
    kelvo.SendHaptics(TSCore::Haptics::TS_FFBCmd(10, 0, 0, 0, 0), TSCore::Haptics::TS_BuzzCmd::off,
                      TSCore::Haptics::ThumperCmd(3));
    const std::string logged = log.Take();
    EXPECT_NE(logged.find("Error Sending {Z"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("Sent "), std::string::npos) << logged;
    EXPECT_EQ(kelvo.lastFFB.GetLevel(0), 0); // a failed write is not recorded
}
