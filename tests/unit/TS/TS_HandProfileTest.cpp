#include <gtest/gtest.h>

#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/HandInterpolator.h>
#include <TSCore/Kinematics/JointKinematics.h>
#include <TSCore/TS/TS_HandProfile.h>
#include <TSCore/TS/Tessara.h>
#include <TSCore/TS/TessaraVars.h>

#include "../support/Expect.h"
#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::HandPose;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::JointKinematics;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;
using TSCore::TS::Tessara;
using TSCore::TS::TessaraVars;
using TSCore::TS::TS_GloveInfo;
using TSCore::TS::TS_GlovePose;
using TSCore::TS::TS_HandProfile;
using TSCore::TS::TS_SensorData;
using TSCore::TS::TS_Solver;
using TSCoreTest::ExpectNear;
using TSCoreTest::LogCapture;
using TSCoreTest::StandardGlove;

namespace
{
    constexpr float d = Values::Deg2Rad;

    TS_GlovePose StandardPose(bool right)
    {
        TS_GloveInfo glove = StandardGlove(right);
        TS_SensorData data = TS_SensorData::Parse(TessaraVars::GetSensorString("", 0.0f), glove);
        return Tessara::CalculateGlovePose(data, glove);
    }

}

TEST(TS_HandProfileDefault, SidesDifferInFlagAndInterpolator)
{
    const TS_HandProfile r = TS_HandProfile::Default(true);
    const TS_HandProfile l = TS_HandProfile::Default(false);
    for (const TS_HandProfile& p : {r, l, TS_HandProfile()})
    {
        EXPECT_EQ(p.solver, TS_Solver::Interpolation);
        ASSERT_EQ(p.thimbleOffsets.size(), 5u);
        for (const Vect3D& o : p.thimbleOffsets)
            EXPECT_TRUE(o.Equals(Vect3D(5, 0, -8)));
    }
    EXPECT_TRUE(r.IsRight());
    EXPECT_FALSE(l.IsRight());
    EXPECT_TRUE(r.interpolator.Equals(HandInterpolator::Default(true)));
    EXPECT_FALSE(r.Equals(l));
    TS_HandProfile flipped = l;
    flipped.isRight = true;
    EXPECT_FALSE(r.Equals(flipped));
    flipped.interpolator = r.interpolator;
    EXPECT_TRUE(r.Equals(flipped));
    flipped.thimbleOffsets.pop_back();
    EXPECT_FALSE(r.Equals(flipped));
}

TEST(TS_HandProfileStorage, RoundTripAndShortText)
{
    TS_HandProfile p = TS_HandProfile::Default(false);
    p.solver = static_cast<TS_Solver>(3);
    p.thimbleOffsets[2] = Vect3D(1, 2, 3);
    const std::string text = p.Serialize();
    EXPECT_EQ(text.rfind("{L}{3}{{{", 0), 0u);
    const TS_HandProfile back = TS_HandProfile::Deserialize(text);
    EXPECT_TRUE(back.Equals(p));
    EXPECT_EQ(static_cast<int>(back.solver), 3);
    EXPECT_TRUE(TS_HandProfile::Deserialize(TS_HandProfile().Serialize()).Equals(TS_HandProfile()));

    EXPECT_TRUE(TS_HandProfile::Deserialize("{L}{0}{}").Equals(TS_HandProfile::Default(true)));
    LogCapture log(DebugLevel::Errors);
    EXPECT_TRUE(TS_HandProfile::Deserialize("{L}{99999999999}{}{}").Equals(TS_HandProfile::Default(true)));
    EXPECT_EQ(log.Take(), "stoi argument out of range\n");
}

TEST(TessaraCalculateHandPose, OtherSolverGivesTheIdleHandOfTheProfile)
{
    TS_HandProfile p = TS_HandProfile::Default(false);
    p.solver = static_cast<TS_Solver>(1);
    const HandPose pose = Tessara::CalculateHandPose(StandardPose(true), BasicHandModel::Default(true), p);
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(false)));
}

TEST(TessaraCalculateHandPose, IdleGlovePoseEndToEnd)
{
    // Totals (0, 0, -+90 degrees) at the thumb, zero elsewhere, through the default tables.
    const Vect3D rightThumb(20 * d, -35 * d, -20 * d);
    const Vect3D leftThumb(-20 * d, -20 * d, 20 * d);
    for (const bool right : {true, false})
    {
        const TS_GlovePose idle = TS_GlovePose::IdlePose(StandardGlove(right));
        const HandPose pose =
            Tessara::CalculateHandPose(idle, BasicHandModel::Default(right), TS_HandProfile::Default(right));
        EXPECT_EQ(pose.isRight, right);
        ASSERT_EQ(pose.handAngles.size(), 5u);
        ExpectNear(pose.handAngles[0][0], right ? rightThumb : leftThumb, 1e-5f);
        for (std::size_t f = 1; f < 5; ++f)
            for (const Vect3D& joint : pose.handAngles[f])
                ExpectNear(joint, Vect3D::zero, 1e-6f);
        // A stretched finger lies along its model's bones.
        const BasicHandModel model = BasicHandModel::Default(right);
        ExpectNear(pose.jointPositions[2].back(), model.GetJointPosition(Finger::Middle) + Vect3D(75, 0, 0));
        ASSERT_EQ(pose.jointPositions[0].size(), 4u);
        EXPECT_TRUE(pose.jointPositions[0][0].Equals(model.GetJointPosition(Finger::Thumb)));
        EXPECT_TRUE(pose.jointRotations[0][0].Equals(HandInterpolator::Default(right).thumbStartRotation *
                                                     Quat::FromEuler(pose.handAngles[0][0])));
    }
}

TEST(TessaraCalculateHandPose, StandardSensorString)
{
    const TS_GlovePose glove = StandardPose(true);
    TS_HandProfile profile = TS_HandProfile::Default(true);
    BasicHandModel model = BasicHandModel::Default(true);
    const HandPose pose = Tessara::CalculateHandPose(glove, model, profile);
    EXPECT_TRUE(pose.isRight);
    EXPECT_TRUE(Values::Equal(pose.handAngles,
                              HandInterpolator::InterpolateHandAngles(profile.interpolator, glove.TotalGloveAngles())));
    // Thumb: twist and abduction from the sideways angle -1.570, CMC flexion from the total -0.349.
    EXPECT_NEAR(pose.handAngles[0][0].x, Values::Map(-1.570f, -90 * d, -10 * d, 20 * d, -20 * d), 1e-6f);
    EXPECT_NEAR(pose.handAngles[0][0].y, -35 * d, 1e-6f);
    EXPECT_NEAR(pose.handAngles[0][2].y, -10 * d, 1e-6f);
    // Index: spread passes through, flexion maps below zero.
    EXPECT_NEAR(pose.handAngles[1][0].z, 0.061f, 1e-6f);
    EXPECT_NEAR(pose.handAngles[1][0].y, -0.141f * 70.0f / 220.0f, 1e-6f);
    for (std::size_t f = 1; f < 5; ++f)
    {
        std::vector<Vect3D> positions;
        std::vector<Quat> rotations;
        JointKinematics::ForwardKinematics(model, static_cast<Finger>(f), pose.handAngles[f], positions, rotations);
        EXPECT_TRUE(Values::Equal(pose.jointPositions[f], positions)) << f;
    }
    ExpectNear(pose.jointPositions[0].back(), Vect3D(45.8483f, 83.8783f, -16.8456f), 1e-3f);

    // The side is the profile's, whatever the glove's.
    const HandPose left = Tessara::CalculateHandPose(glove, model, TS_HandProfile::Default(false));
    EXPECT_FALSE(left.isRight);
}
