#include <gtest/gtest.h>

#include <string>

#include <TSCore/Finger.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/Values.h>

#include "../support/Expect.h"
#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::HandPose;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;
using TSCoreTest::ExpectNear;
using TSCoreTest::LogCapture;

namespace
{
    constexpr float d = Values::Deg2Rad;

    // A pose whose only content is the given per-finger flexion values (degrees).
    HandPose WithFlexion(std::vector<std::vector<float>> degrees)
    {
        std::vector<std::vector<Vect3D>> angles;
        for (const auto& finger : degrees)
        {
            angles.emplace_back();
            for (float f : finger)
                angles.back().emplace_back(0.0f, f * d, 0.0f);
        }
        return HandPose(true, {}, {}, angles);
    }

}

TEST(HandPoseDefaultIdle, BothSides)
{
    const HandPose r = HandPose::DefaultIdle(true);
    const HandPose l = HandPose::DefaultIdle(false);
    EXPECT_TRUE(r.isRight);
    EXPECT_FALSE(l.isRight);
    for (const HandPose* p : {&r, &l})
    {
        ASSERT_EQ(p->handAngles.size(), 5u);
        ASSERT_EQ(p->jointPositions.size(), 5u);
        ASSERT_EQ(p->jointRotations.size(), 5u);
        for (std::size_t f = 0; f < 5; ++f)
        {
            EXPECT_EQ(p->handAngles[f].size(), 3u);
            EXPECT_EQ(p->jointPositions[f].size(), 4u);
        }
    }
    EXPECT_TRUE(r.handAngles[0][0].Equals(Vect3D(0, -20 * d, 30 * d)));
    EXPECT_TRUE(l.handAngles[0][0].Equals(Vect3D(0, 20 * d, 30 * d)));
    EXPECT_TRUE(Values::Equal(r.handAngles[3], {Vect3D(), Vect3D(0, 5 * d, 0), Vect3D(0, 5 * d, 0)}));
    EXPECT_TRUE(Values::Equal(l.handAngles[3], r.handAngles[3]));

    // The thumb chain starts at the model's thumb joint, turned -90 (right) or +90 (left) about x.
    for (const bool right : {true, false})
    {
        const HandPose& p = right ? r : l;
        const BasicHandModel model = BasicHandModel::Default(right);
        EXPECT_TRUE(p.jointPositions[0][0].Equals(model.GetJointPosition(Finger::Thumb)));
        const Quat start = Quat::FromAngleAxis((right ? -90 : 90) * d, 1, 0, 0);
        EXPECT_TRUE(p.jointRotations[0][0].Equals(start * Quat::FromEuler(p.handAngles[0][0])));
    }
    ExpectNear(r.jointPositions[0].back(), Vect3D(52.5728f, 61.0717f, -81.0369f), 1e-3f);
    ExpectNear(l.jointPositions[0].back(), Vect3D(52.5728f, -2.9283f, -1.1631f), 1e-3f);
    // The four fingers of the left hand mirror those of the right in y.
    for (std::size_t f = 1; f < 5; ++f)
        for (std::size_t k = 0; k < 4; ++k)
        {
            const Vect3D a = r.jointPositions[f][k];
            ExpectNear(l.jointPositions[f][k], Vect3D(a.x, -a.y, a.z));
        }
    ExpectNear(r.jointPositions[2].back(), Vect3D(151.8010f, 11.0f, -22.6519f), 1e-3f);
}

TEST(HandPoseFlexion, NormalisedThumbAndFingers)
{
    EXPECT_NEAR(WithFlexion({{100, 30, 20}}).GetNormalizedFlexion(Finger::Thumb, false), 1.0f, 1e-6f);
    EXPECT_NEAR(WithFlexion({{-30, 0, 0}}).GetNormalizedFlexion(Finger::Thumb, false), 0.0f, 1e-6f);
    const HandPose over = WithFlexion({{120, 60, 60}, {140, 140, 140, 140}});
    EXPECT_NEAR(over.GetNormalizedFlexion(Finger::Thumb, false), 1.5f, 1e-5f);
    EXPECT_FLOAT_EQ(over.GetNormalizedFlexion(Finger::Thumb, true), 1.0f);
    // Every joint of a finger counts, not only the first three.
    EXPECT_NEAR(over.GetNormalizedFlexion(Finger::Index, false), 2.0f, 1e-5f);
    EXPECT_NEAR(WithFlexion({{}, {-28, 0}}).GetNormalizedFlexion(Finger::Index, false), -0.1f, 1e-6f);
    EXPECT_FLOAT_EQ(WithFlexion({{}, {-28, 0}}).GetNormalizedFlexion(Finger::Index, true), 0.0f);
    EXPECT_FLOAT_EQ(over.GetNormalizedFlexion(Finger::Ring, false), 0.0f);
    EXPECT_FLOAT_EQ(over.GetNormalizedFlexion(static_cast<Finger>(-1), false), 0.0f);

    const std::vector<float> idle = HandPose::DefaultIdle(true).GetNormalizedFlexion(false);
    ASSERT_EQ(idle.size(), 5u);
    EXPECT_NEAR(idle[0], 10.0f / 180.0f, 1e-6f);
    EXPECT_NEAR(idle[4], 10.0f / 280.0f, 1e-6f);
    EXPECT_NEAR(HandPose::DefaultIdle(false).GetNormalizedFlexion(Finger::Thumb, false), 50.0f / 180.0f, 1e-6f);
    EXPECT_EQ(HandPose().GetNormalizedFlexion(true), std::vector<float>(5, 0.0f));
}

TEST(HandPoseStorage, RoundTripBothSides)
{
    for (const bool right : {true, false})
    {
        const HandPose p = HandPose::DefaultIdle(right);
        const std::string text = p.Serialize();
        EXPECT_EQ(text.substr(0, 3), right ? "{R}" : "{L}");
        const HandPose back = HandPose::Deserialize(text);
        EXPECT_TRUE(p.Equals(back));
        EXPECT_EQ(back.isRight, right);
    }
    EXPECT_FALSE(HandPose::DefaultIdle(true).Equals(HandPose::DefaultIdle(false)));
    EXPECT_EQ(HandPose().Serialize(), "{R}{}{}{}");
    EXPECT_FALSE(HandPose::Deserialize("{Left}{}{}{}").isRight);
    EXPECT_TRUE(HandPose::Deserialize("{}{}{}{}").isRight);
    EXPECT_TRUE(HandPose::Deserialize("{l}{}{}{}").isRight);
    const HandPose small = HandPose::Deserialize("{L}{{{0;1;0}}}{{{1;2;3}}}{{{0;0;0;1}}}");
    EXPECT_TRUE(small.Equals(HandPose(false, {{Vect3D(1, 2, 3)}}, {{Quat::identity}}, {{Vect3D(0, 1, 0)}})));
}

TEST(HandPoseStorage, DamagedTextGivesTheDefaultPose)
{
    LogCapture log(DebugLevel::Errors);
    const HandPose cut = HandPose::Deserialize("{L}{{{0;1;0}}}{}");
    EXPECT_TRUE(cut.isRight);
    EXPECT_TRUE(cut.handAngles.empty());
    EXPECT_EQ(log.Take(), "A hand pose needs 4 blocks, the text has 3\n");

    LogCapture log2(DebugLevel::Errors);
    const HandPose bad = HandPose::Deserialize("{L}{{{0;1e39;0}}}{}{}");
    EXPECT_TRUE(bad.Equals(HandPose()));
    EXPECT_EQ(log2.Take(), "stof argument out of range\n");
}

TEST(HandPoseText, DegreesPerFinger)
{
    EXPECT_EQ(HandPose().ToString(false), "");
    const std::string idle = HandPose::DefaultIdle(true).ToString(true);
    EXPECT_EQ(idle, "Thumb:\tCMC-Abd: 30,\tCMC-Tw: 0,\tCMC-Flx: -20,\tMCP-Flx: 0,\tIP-Flx: 0\n"
                    "Index:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 5,\tDIP-Flx: 5\n"
                    "Middle:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 5,\tDIP-Flx: 5\n"
                    "Ring:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 5,\tDIP-Flx: 5\n"
                    "Pinky:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 5,\tDIP-Flx: 5");
    EXPECT_EQ(HandPose::DefaultIdle(false).ToString(false).substr(0, 55),
              "Thumb:\tCMC-Abd: 30,\tCMC-Tw: 0,\tCMC-Flx: 20,\tMCP-Flx: 0,");

    // The twist is truncated, the other angles rounded half away from zero.
    const float a = -0.6f * d;
    const HandPose small(true, {}, {}, {{Vect3D(a, 2.6f * d, a), Vect3D(), Vect3D(0, a, 0)}});
    EXPECT_EQ(small.ToString(false), "Thumb:\tCMC-Abd: -1,\tCMC-Tw: 0,\tCMC-Flx: 3,\tMCP-Flx: 0,\tIP-Flx: -1");

    // Fingers with fewer than three joints have no line; labels follow the list index.
    const HandPose gaps(true, {}, {}, {{}, std::vector<Vect3D>(3), std::vector<Vect3D>(2), std::vector<Vect3D>(4)});
    EXPECT_EQ(gaps.ToString(false), "Index:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 0,\tDIP-Flx: 0\n"
                                    "Ring:\tMCP-Abd: 0,\tMCP-Flx: 0,\tPIP-Flx: 0,\tDIP-Flx: 0");
}
