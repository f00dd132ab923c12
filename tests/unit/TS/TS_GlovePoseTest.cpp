#include <gtest/gtest.h>

#include <TSCore/Kinematics/JointKinematics.h>
#include <TSCore/TS/TS_GlovePose.h>
#include <TSCore/TS/Tessara.h>
#include <TSCore/TS/TessaraVars.h>

#include "../support/Expect.h"
#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::Diagnostics::DebugLevel;
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
using TSCoreTest::ExpectNear;
using TSCoreTest::LogCapture;
using TSCoreTest::StandardGlove;

TEST(TS_GlovePoseIdle, ThumbBaseTurnedTowardThePalmOnBothSides)
{
    for (const bool right : {true, false})
    {
        const TS_GlovePose idle = TS_GlovePose::IdlePose(StandardGlove(right));
        EXPECT_EQ(idle.isRight, right);
        ASSERT_EQ(idle.gloveAngles.size(), 5u);
        const float z = right ? -1.5707963f : 1.5707963f;
        EXPECT_TRUE(idle.gloveAngles[0][0].Equals(Vect3D(0, 0, z)));
        const std::vector<Vect3D> totals = idle.TotalGloveAngles();
        EXPECT_TRUE(totals[0].Equals(Vect3D(0, 0, z)));
        for (std::size_t f = 1; f < 5; ++f)
            EXPECT_TRUE(totals[f].Equals(Vect3D::zero)) << f;
        // Every linkage starts at its start position and ends at the thimble, one joint per section.
        for (std::size_t f = 0; f < 5; ++f)
        {
            ASSERT_EQ(idle.jointPositions[f].size(), 6u);
            EXPECT_TRUE(idle.jointPositions[f][0].Equals(TessaraVars::GetStartPositions("", right)[f]));
        }
        EXPECT_EQ(idle.ToString(true), std::string(right ? "Right" : "Left") +
                                           " hand pose:\nGlove Angles: (5)[5, 5, 5, 5, 5]\n"
                                           "Glove Positions: (5)[6, 6, 6, 6, 6]\nGlove Rotations: (5)[6, 6, 6, 6, 6]");
    }
    // A stretched middle finger linkage reaches the sum of its sections along x.
    const TS_GlovePose idle = TS_GlovePose::IdlePose(StandardGlove(true));
    ExpectNear(idle.ThimblePositions()[2],
               Vect3D(62.22f + 9.12f + 14.28f + 88 - 64 + 22.03f, 11, 8 + 7.6f + 1 - 12 - 10.68f));
}

TEST(TS_GlovePoseCalculate, StandardSensorStringThroughTheLinkage)
{
    TS_GloveInfo glove = StandardGlove(true);
    TS_SensorData data = TS_SensorData::Parse(TessaraVars::GetSensorString("", 0.0f), glove);
    const TS_GlovePose pose = Tessara::CalculateGlovePose(data, glove);
    EXPECT_TRUE(pose.isRight);
    EXPECT_TRUE(Values::Equal(pose.gloveAngles, glove.ToGloveAngles(data.sensorAngles)));
    const std::vector<Vect3D> totals = Tessara::GetCalibrationValues(pose);
    ASSERT_EQ(totals.size(), 5u);
    ExpectNear(totals[0], Vect3D(0, -0.012f - 0.337f + 0.0f, -1.570f), 1e-6f);
    ExpectNear(totals[4], Vect3D(0, -0.098f - 0.441f, -0.478f), 1e-6f);

    // The thumb chain by hand: first joint turns about z, the last three about y.
    std::vector<Vect3D> positions;
    std::vector<Quat> rotations;
    JointKinematics::ForwardKinematics(glove.GetStartPosition(Finger::Thumb), glove.GetStartRotation(Finger::Thumb),
                                       glove.GetGloveLengths(Finger::Thumb), pose.gloveAngles[0], positions, rotations);
    EXPECT_TRUE(Values::Equal(pose.jointPositions[0], positions));
    EXPECT_TRUE(Values::Equal(pose.jointRotations[0], rotations));
    ExpectNear(pose.ThimblePositions()[0], Vect3D(22.8202f, 98.8522f, -17.1739f), 1e-3f);
    EXPECT_TRUE(pose.ThimbleRotations()[0].Equals(rotations.back()));
}

TEST(TS_GlovePoseCalculate, IncompleteOrShortInputGivesAFullPose)
{
    const TS_GloveInfo glove = StandardGlove(false);
    const TS_GlovePose idle = TS_GlovePose::IdlePose(glove);
    EXPECT_TRUE(Tessara::CalculateGlovePose(TS_SensorData(), glove).Equals(idle));
    EXPECT_TRUE(Tessara::CalculateGlovePose(TS_SensorData({}, Quat::identity, 0, false), glove).Equals(idle));
    TS_SensorData partial = TS_SensorData::Parse("0:1;2;3;4", glove);
    EXPECT_TRUE(Tessara::CalculateGlovePose(partial, glove).Equals(idle));

    // Two angle lists: the other fingers rest; lists past the fifth are dropped.
    const TS_GlovePose two = Tessara::CalculateGlovePose({{Vect3D(0, 0, 0.5f)}, {}}, glove);
    ASSERT_EQ(two.gloveAngles.size(), 5u);
    EXPECT_EQ(two.gloveAngles[1].size(), 0u);
    EXPECT_EQ(two.gloveAngles[4].size(), 5u);
    EXPECT_TRUE(Values::Equal(two.jointPositions[4], idle.jointPositions[4]));
    EXPECT_EQ(Tessara::CalculateGlovePose(std::vector<std::vector<Vect3D>>(7), glove).gloveAngles.size(), 5u);

    // A record without geometry: every linkage is its start point alone.
    const TS_GlovePose bare = TS_GlovePose::IdlePose(TS_GloveInfo());
    ASSERT_EQ(bare.jointPositions.size(), 5u);
    for (std::size_t f = 0; f < 5; ++f)
    {
        EXPECT_TRUE(Values::Equal(bare.jointPositions[f], {Vect3D::zero}));
        EXPECT_TRUE(bare.gloveAngles[f].empty());
    }
}

TEST(TS_GlovePoseTips, ThimblesAndFingerTips)
{
    const TS_GlovePose none;
    EXPECT_TRUE(none.ThimblePositions().empty());
    EXPECT_TRUE(none.CalculateFingerTips(TS_HandProfile()).empty());

    const Quat quarter = Quat::FromAngleAxis(1.5707964f, 0, 0, 1);
    const TS_GlovePose pose(true, {{Vect3D(1, 1, 1), Vect3D(10, 0, 0)}, {}, {Vect3D(0, 5, 0)}},
                            {{Quat::identity, quarter}, {}}, {});
    EXPECT_TRUE(Values::Equal(pose.ThimblePositions(), {Vect3D(10, 0, 0), Vect3D::zero, Vect3D(0, 5, 0)}));
    EXPECT_TRUE(Values::Equal(pose.ThimbleRotations(), {quarter, Quat::identity}));
    EXPECT_TRUE(Values::Equal(pose.CalculateFingerTips(std::vector<Vect3D>(3)), pose.ThimblePositions()));
    // The offset is turned into the thimble's frame; a missing offset or rotation reads as neutral.
    const std::vector<Vect3D> tips = pose.CalculateFingerTips({TS_HandProfile::dThimbleOffset, Vect3D(1, 2, 3)});
    ASSERT_EQ(tips.size(), 3u);
    ExpectNear(tips[0], Vect3D(10, 5, -8), 1e-5f);
    ExpectNear(tips[1], Vect3D(1, 2, 3), 1e-6f);
    ExpectNear(tips[2], Vect3D(0, 5, 0), 1e-6f);
}

TEST(TS_GlovePoseStorage, RoundTripAndDamagedText)
{
    EXPECT_EQ(TS_GlovePose().ToString(false), "Right hand pose:\n");
    EXPECT_EQ(TS_GlovePose().Serialize(), "{R}{}{}{}");
    for (const bool right : {true, false})
    {
        TS_GloveInfo glove = StandardGlove(right);
        TS_SensorData data = TS_SensorData::Parse(TessaraVars::GetSensorString("", 0.0f), glove);
        const TS_GlovePose pose = Tessara::CalculateGlovePose(data, glove);
        const TS_GlovePose back = TS_GlovePose::Deserialize(pose.Serialize());
        EXPECT_TRUE(back.Equals(pose));
        EXPECT_EQ(back.isRight, right);
    }
    const TS_GlovePose cut = TS_GlovePose::Deserialize("{L}{{{0;0;1}}}");
    EXPECT_FALSE(cut.isRight);
    ASSERT_EQ(cut.gloveAngles.size(), 1u);
    EXPECT_TRUE(cut.jointPositions.empty());

    LogCapture log(DebugLevel::Errors);
    EXPECT_TRUE(TS_GlovePose::Deserialize("{L}{{{0;0;1e39}}}").Equals(TS_GlovePose()));
    EXPECT_EQ(log.Take(), "stof argument out of range\n");
}
