#include <gtest/gtest.h>

#include <cmath>

#include <TSCore/Kinematics/Anatomy.h>
#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Values.h>
#include <TSCore/Kinematics/Vect3D.h>

using TSCore::Kinematics::Anatomy;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;

static_assert(Anatomy::totalFingerFlexion == 280.0f * 0.017453292f);
static_assert(Values::Clamp(5, 0, 3) == 3 && Values::Clamp(-1, 0, 3) == 0);

TEST(ValuesClamp, FloatFormPrefersTheLowerBoundWhenBoundsCross)
{
    EXPECT_EQ(Values::Clamp(5.0f, 10.0f, 2.0f), 10.0f);
    EXPECT_EQ(Values::Clamp(1.5f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(Values::Clamp(0.5f, 0.0f, 1.0f), 0.5f);
}

TEST(ValuesMap, ExtrapolatesUnlessGivenOutputBounds)
{
    EXPECT_FLOAT_EQ(Values::Map(0.5f, 0, 1, 10, 20), 15.0f);
    EXPECT_FLOAT_EQ(Values::Map(2.0f, 0, 1, 10, 20), 30.0f);
    EXPECT_FLOAT_EQ(Values::Map(2.0f, 0, 1, 10, 20, 10, 20), 20.0f);
    EXPECT_FLOAT_EQ(Values::Map(-2.0f, 0, 1, 10, 20, 10, 20), 10.0f);
    EXPECT_FALSE(std::isfinite(Values::Map(1.0f, 2, 2, 0, 1)));
}

TEST(ValuesNormalizeAngle, WrapsIntoHalfOpenInterval)
{
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(3.5f), -2.7831855f);
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(7.0f), 0.7168145f);
    // The float -3.1415927 lies below -pi in double precision, so it wraps to +pi.
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(-3.1415927f), 3.1415927f);
    EXPECT_TRUE(std::isnan(Values::NormalizeAngle(std::nanf(""))));
    const Vect3D n = Values::NormalizeAngles(Vect3D(3.5f, 7.0f, 0.5f));
    EXPECT_FLOAT_EQ(n.x, -2.7831855f);
    EXPECT_FLOAT_EQ(n.z, 0.5f);
}

TEST(ValuesNormalizeAngle, BoundedFormWrapsOnlyOnce)
{
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(0.1f, 0.2f, 3.0f), 6.3831854f);
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(4.0f, 0.0f, 3.0f), -2.2831855f);
    EXPECT_FLOAT_EQ(Values::NormalizeAngle(-1.2f, -60 * Values::Deg2Rad, 300 * Values::Deg2Rad), -1.2f + Values::_2PI);
}

TEST(ValuesDegrees, ConvertsWithTheFloatFactors)
{
    const Vect3D d = Values::Degrees(Vect3D(1, -1, 0));
    EXPECT_FLOAT_EQ(d.x, 57.29578f);
    EXPECT_FLOAT_EQ(Values::Radians(Vect3D(180, 0, 0)).x, 180 * 0.017453292f);
}

TEST(ValuesFloatEquals, StrictToleranceOfOneMillionth)
{
    EXPECT_TRUE(Values::FloatEquals(1.0f, 1.0000009f));
    EXPECT_FALSE(Values::FloatEquals(0.0f, 1e-6f));
    EXPECT_FALSE(Values::FloatEquals(std::nanf(""), std::nanf("")));
}

TEST(ValuesEqual, ComparesSizesThenElements)
{
    const std::vector<Vect3D> a{Vect3D(1, 2, 3), Vect3D(4, 5, 6)};
    EXPECT_TRUE(Values::Equal(a, a));
    EXPECT_FALSE(Values::Equal(a, std::vector<Vect3D>{Vect3D(1, 2, 3)}));
    EXPECT_FALSE(Values::Equal(a, std::vector<Vect3D>{Vect3D(1, 2, 3), Vect3D(4, 5, 7)}));
    EXPECT_TRUE(Values::Equal(std::vector<Quat>{}, std::vector<Quat>{}));
    const std::vector<std::vector<Vect3D>> nested{a, {}};
    EXPECT_TRUE(Values::Equal(nested, nested));
    EXPECT_FALSE(Values::Equal(nested, std::vector<std::vector<Vect3D>>{a, {Vect3D()}}));
    EXPECT_FALSE(Values::Equal(std::vector<std::vector<Quat>>{{}}, std::vector<std::vector<Quat>>{}));
}

TEST(AnatomyLimits, LeftHandMirrorsSpreadAndTwistButNotFlexion)
{
    EXPECT_FLOAT_EQ(Anatomy::GetFingerJointLimit(true, 0, 2, true), 0.34906584f);
    EXPECT_FLOAT_EQ(Anatomy::GetFingerJointLimit(false, 0, 2, true), 0.34906584f);
    EXPECT_FLOAT_EQ(Anatomy::GetFingerJointLimit(false, 0, 2, false), -0.34906584f);
    EXPECT_FLOAT_EQ(Anatomy::GetFingerJointLimit(false, 0, 1, true), 1.5707964f);
    EXPECT_FLOAT_EQ(Anatomy::GetFingerJointLimit(true, 0, 1, false), -30 * Values::Deg2Rad);
    EXPECT_FLOAT_EQ(Anatomy::GetThumbJointLimit(false, 0, 2, false), -1.2217305f);
    EXPECT_FLOAT_EQ(Anatomy::GetThumbJointLimit(false, 0, 2, true), 0.34906584f);
    EXPECT_FLOAT_EQ(Anatomy::GetThumbJointLimit(true, 0, 1, false), -65 * Values::Deg2Rad);
    EXPECT_EQ(Anatomy::GetFingerJointLimit(true, 1, 0, true), 3.1415927f);
    EXPECT_EQ(Anatomy::GetFingerJointLimit(false, 1, 0, true), 3.1415927f);
}

TEST(AnatomyLimits, IndicesOutsideTheTableReadZero)
{
    EXPECT_EQ(Anatomy::GetFingerJointLimit(true, 3, 0, true), 0.0f);
    EXPECT_EQ(Anatomy::GetThumbJointLimit(true, 0, -1, true), 0.0f);
}

TEST(AnatomyTotals, MatchDocumentedRadians)
{
    EXPECT_FLOAT_EQ(Anatomy::totalFingerFlexion, 4.886922f);
    EXPECT_EQ(Anatomy::totalFingerExtension, 0.0f);
    EXPECT_FLOAT_EQ(Anatomy::totalThumbFlexion, 2.6179938f);
    EXPECT_FLOAT_EQ(Anatomy::totalThumbExtension, -0.5235988f);
}
