#include <gtest/gtest.h>

#include <TSCore/Kinematics/HandInterpolator.h>
#include <TSCore/Kinematics/InterpolationSet.h>

using TSCore::Finger;
using TSCore::Kinematics::FingerMovement;
using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::InterpolationSet;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::ThumbMovement;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;

namespace
{
    constexpr float d = Values::Deg2Rad;

    void ExpectSet(const InterpolationSet& s, float inStart, float inEnd, float outStart, float outEnd, float lo,
                   float hi)
    {
        EXPECT_FLOAT_EQ(s.inStart, inStart * d);
        EXPECT_FLOAT_EQ(s.inEnd, inEnd * d);
        EXPECT_FLOAT_EQ(s.outStart, outStart * d);
        EXPECT_FLOAT_EQ(s.outEnd, outEnd * d);
        EXPECT_FLOAT_EQ(s.lowerLimit, lo * d);
        EXPECT_FLOAT_EQ(s.upperLimit, hi * d);
    }
}

TEST(InterpolationSetGet, MapsThenWrapsThenClamps)
{
    EXPECT_FLOAT_EQ(InterpolationSet(0, 1, 0, 10).Get(0.5f, true, false), 5.0f);
    EXPECT_FLOAT_EQ(InterpolationSet(0, 1, 0, 10).Get(2.0f, true, false), 20.0f);
    EXPECT_FLOAT_EQ(InterpolationSet(0, 1, 0, 10, 0, 10).Get(2.0f, true, false), 10.0f);
    EXPECT_FLOAT_EQ(InterpolationSet(0, 1, 0, 10, 0, 10).Get(2.0f, false, false), 20.0f);
    EXPECT_NEAR(InterpolationSet(90 * d, 10 * d, 20 * d, -70 * d).Get(50 * d, true, false), -25 * d, 1e-6f);
    // 200 degrees wraps to -160 before clamping at -150.
    const InterpolationSet wide(0, 1, 0, 200 * d, -150 * d, 150 * d);
    EXPECT_NEAR(wide.Get(1, false, true), -160 * d, 1e-5f);
    EXPECT_NEAR(wide.Get(1, true, true), -150 * d, 1e-5f);
    EXPECT_NEAR(wide.Get(1, true, false), 150 * d, 1e-5f);
}

TEST(InterpolationSetText, SerializeMarksUnboundedLimits)
{
    EXPECT_EQ(InterpolationSet().Serialize(), "0.000000;1.000000;0.000000;1.000000;m;M");
    EXPECT_TRUE(InterpolationSet::Deserialize("0.000000;1.000000;0.000000;1.000000;m;M").Equals(InterpolationSet()));
    EXPECT_TRUE(InterpolationSet::Deserialize("1;2;3").Equals(InterpolationSet()));
    EXPECT_TRUE(InterpolationSet::Deserialize("1;2;3;4").Equals(InterpolationSet(1, 2, 3, 4)));
    const InterpolationSet limited(1, 2, 3, 4, -0.5f, 0.75f);
    EXPECT_TRUE(InterpolationSet::Deserialize(limited.Serialize()).Equals(limited));
    EXPECT_TRUE(InterpolationSet::Deserialize("1;2;3;4;1e99;M").Equals(InterpolationSet()));
}

TEST(InterpolationSetText, ReadableForm)
{
    EXPECT_EQ(InterpolationSet().ToString(), "[0.000000 .. 1.000000] -> [0.000000 .. 1.000000]");
    EXPECT_EQ(InterpolationSet(0, 1, 2, 3, -1, 1).ToString(true),
              "[0.000000 .. 1.000000] -> [2.000000 .. 3.000000] (-1.000000 .. 1.000000)");
}

TEST(HandInterpolatorDefault, RightThumbTableAndRotation)
{
    const HandInterpolator h = HandInterpolator::Default(true);
    ASSERT_EQ(h.interpolationSets.size(), 5u);
    ASSERT_EQ(h.interpolationSets[0].size(), 5u);
    ExpectSet(h.interpolationSets[0][0], -90, -10, 20, -20, -20, 20);
    ExpectSet(h.interpolationSets[0][1], 0, 135, -35, 5, -35, 10);
    ExpectSet(h.interpolationSets[0][2], -90, -10, -20, 55, -20, 60);
    ExpectSet(h.interpolationSets[0][4], 0, 135, 0, 90, -10, 90);
    EXPECT_NEAR(h.thumbStartRotation.x, -0.70710677f, 1e-6f);
    EXPECT_NEAR(h.thumbStartRotation.w, 0.70710677f, 1e-6f);
}

TEST(HandInterpolatorDefault, LeftThumbTableAndRotation)
{
    const HandInterpolator h = HandInterpolator::Default(false);
    ExpectSet(h.interpolationSets[0][0], 90, 10, -20, 20, -20, 20);
    ExpectSet(h.interpolationSets[0][1], 0, 135, -20, 20, -20, 20);
    ExpectSet(h.interpolationSets[0][2], 90, 10, 20, -70, -70, 20);
    ExpectSet(h.interpolationSets[0][3], 0, 135, 0, 40, 0, 50);
    EXPECT_NEAR(h.thumbStartRotation.x, 0.70710677f, 1e-6f);
}

TEST(HandInterpolatorDefault, FingerSetsShareLimitsOfBothHands)
{
    for (bool right : {true, false})
    {
        const HandInterpolator h = HandInterpolator::Default(right);
        for (std::size_t f = 1; f < 5; ++f)
        {
            ASSERT_EQ(h.interpolationSets[f].size(), 4u);
            ExpectSet(h.interpolationSets[f][0], 0, 220, 0, 70, -30, 90);
            ExpectSet(h.interpolationSets[f][2], 0, 220, 0, 100, 0, 100);
            ExpectSet(h.interpolationSets[f][3], 0, 220, 0, 90, -5, 90);
            const InterpolationSet& abd = h.interpolationSets[f][1];
            EXPECT_EQ(abd.inEnd, 1.0f);
            EXPECT_EQ(abd.outEnd, 1.0f);
            EXPECT_FLOAT_EQ(abd.lowerLimit, -20 * d);
            EXPECT_FLOAT_EQ(abd.upperLimit, 20 * d);
        }
    }
}

TEST(HandInterpolatorInterpolate, FingerDistributesFlexionAndClamps)
{
    HandInterpolator h = HandInterpolator::Default(true);
    const std::vector<Vect3D> a = HandInterpolator::InterpolateFingerAngles(Finger::Index, h, Vect3D(0, 110 * d, 0));
    ASSERT_EQ(a.size(), 3u);
    EXPECT_NEAR(a[0].y, 35 * d, 1e-5f);
    EXPECT_NEAR(a[1].y, 50 * d, 1e-5f);
    EXPECT_NEAR(a[2].y, 45 * d, 1e-5f);
    EXPECT_EQ(a[0].x, 0.0f);
    EXPECT_EQ(a[1].z, 0.0f);
    const std::vector<Vect3D> c = HandInterpolator::InterpolateFingerAngles(Finger::Ring, h, Vect3D(0, 300 * d, -0.5f));
    EXPECT_NEAR(c[0].y, 90 * d, 1e-5f);
    EXPECT_NEAR(c[1].y, 100 * d, 1e-5f);
    EXPECT_NEAR(c[2].y, 90 * d, 1e-5f);
    EXPECT_FLOAT_EQ(c[0].z, -0.34906584f);
}

TEST(HandInterpolatorInterpolate, ThumbUsesSpreadForTwistAndAbduction)
{
    HandInterpolator h = HandInterpolator::Default(true);
    const std::vector<Vect3D> t = HandInterpolator::InterpolateThumbAngles(h, Vect3D(0, 0, -50 * d));
    EXPECT_NEAR(t[0].x, 0.0f, 1e-6f);
    EXPECT_NEAR(t[0].z, 17.5f * d, 1e-5f);
    EXPECT_NEAR(t[0].y, -35 * d, 1e-5f);
    EXPECT_NEAR(t[1].y, 0.0f, 1e-6f);
}

TEST(HandInterpolatorInterpolate, MissingDigitsSetsAndSensorsReadZero)
{
    HandInterpolator empty;
    for (const Vect3D& v : HandInterpolator::InterpolateThumbAngles(empty, Vect3D(1, 1, 1)))
        EXPECT_TRUE(v.Equals(Vect3D::zero));
    HandInterpolator none(std::vector<std::vector<TSCore::Kinematics::InterpolationSet>>{});
    EXPECT_TRUE(
        HandInterpolator::InterpolateFingerAngles(Finger::Pinky, none, Vect3D(1, 1, 1))[0].Equals(Vect3D::zero));
    HandInterpolator h = HandInterpolator::Default(true);
    const auto hand = HandInterpolator::InterpolateHandAngles(h, {Vect3D(0, 10 * d, 0)});
    ASSERT_EQ(hand.size(), 5u);
    for (const auto& digit : hand)
        EXPECT_EQ(digit.size(), 3u);
    EXPECT_GT(hand[0][2].y, 0.0f);
    EXPECT_TRUE(hand[4][1].Equals(Vect3D::zero));
}

TEST(HandInterpolatorCalculateAngle, OutsideTheTableIsZero)
{
    const HandInterpolator h = HandInterpolator::Default(true);
    EXPECT_EQ(h.CalculateAngle(Finger::Index, 7, 1.0f), 0.0f);
    EXPECT_EQ(h.CalculateAngle(Finger::Index, -1, 1.0f), 0.0f);
    EXPECT_EQ(h.CalculateAngle(static_cast<Finger>(9), 0, 1.0f), 0.0f);
    EXPECT_NEAR(h.CalculateAngle(Finger::Index, FingerMovement::PIPFlexion, 110 * d), 50 * d, 1e-5f);
    EXPECT_NEAR(h.CalculateAngle(Finger::Thumb, ThumbMovement::CMCFlexion, 0.0f), -35 * d, 1e-5f);
}

TEST(HandInterpolatorText, RoundTripAndFallbacks)
{
    for (bool right : {true, false})
    {
        const HandInterpolator h = HandInterpolator::Default(right);
        EXPECT_TRUE(HandInterpolator::Deserialize(h.Serialize()).Equals(h));
    }
    EXPECT_TRUE(HandInterpolator::Deserialize("").Equals(HandInterpolator::Default(true)));
    EXPECT_TRUE(HandInterpolator::Deserialize("{{{1;2;3;4}}}").Equals(HandInterpolator::Default(true)));
    // Counts are taken as the text gives them.
    const HandInterpolator small = HandInterpolator::Deserialize("{{{1;2;3;4}}}{0;0;0;1}");
    ASSERT_EQ(small.interpolationSets.size(), 1u);
    ASSERT_EQ(small.interpolationSets[0].size(), 1u);
    EXPECT_TRUE(small.interpolationSets[0][0].Equals(InterpolationSet(1, 2, 3, 4)));
    // An unreadable rotation stays the identity.
    EXPECT_TRUE(HandInterpolator::Deserialize("{{}}{x}").thumbStartRotation.IsIdentity());
}

TEST(HandInterpolatorEquals, RotationCountsAndSets)
{
    const HandInterpolator h = HandInterpolator::Default(true);
    HandInterpolator other = h;
    EXPECT_TRUE(h.Equals(other));
    other.thumbStartRotation = Quat::identity;
    EXPECT_FALSE(h.Equals(other));
    other = h;
    other.interpolationSets[2].pop_back();
    EXPECT_FALSE(h.Equals(other));
    other = h;
    other.interpolationSets[4][3].outEnd += 0.001f;
    EXPECT_FALSE(h.Equals(other));
    EXPECT_FALSE(h.Equals(HandInterpolator::Default(false)));
}
