#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Vect3D.h>

using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;

namespace
{
    constexpr float halfPi = 1.5707964f;

    void ExpectNear(Vect3D a, Vect3D b, float tol = 1e-5f)
    {
        EXPECT_NEAR(a.x, b.x, tol);
        EXPECT_NEAR(a.y, b.y, tol);
        EXPECT_NEAR(a.z, b.z, tol);
    }

    bool SameBits(Vect3D a, Vect3D b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}

// Constant initialisation is what makes these safe to read from any static initialiser.
static_assert(Vect3D::zero.x == 0.0f && Quat::identity.w == 1.0f);
static_assert((Quat(0, 0, 0, 1) * Quat(1, 2, 3, 4)).x == 1.0f);

TEST(QuatProduct, TurnsByTheRightOperandFirst)
{
    const Quat aboutZ = Quat::FromAngleAxis(halfPi, 0, 0, 1);
    const Quat aboutX = Quat::FromAngleAxis(halfPi, 1, 0, 0);
    // (z * x) applied to y: x turns y to z first, then z leaves it.
    ExpectNear((aboutZ * aboutX).Rotate(Vect3D(0, 1, 0)), Vect3D(0, 0, 1));
    // (x * z) applied to y: z turns y to -x, x leaves it.
    ExpectNear((aboutX * aboutZ).Rotate(Vect3D(0, 1, 0)), Vect3D(-1, 0, 0));
}

TEST(QuatRotate, FollowsTheRightHandRule)
{
    ExpectNear(Quat::FromAngleAxis(halfPi, 0, 0, 1).Rotate(Vect3D(1, 0, 0)), Vect3D(0, 1, 0));
    ExpectNear(Quat::FromAngleAxis(halfPi, 1, 0, 0).Rotate(Vect3D(0, 1, 0)), Vect3D(0, 0, 1));
    ExpectNear(Quat::FromAngleAxis(halfPi, 1, 0, 0) * Vect3D(0, 1, 0), Vect3D(0, 0, 1));
}

TEST(QuatRotate, NearIdentityLeavesVectorBitForBit)
{
    const Vect3D v(0.1f, -3.7f, 12.25f);
    EXPECT_TRUE(SameBits(Quat(5e-7f, -5e-7f, 0, 1.0000005f).Rotate(v), v));
    // A non-unit quaternion scales by its squared norm.
    ExpectNear(Quat(0, 0, 0, 2).Rotate(Vect3D(1, 2, 3)), Vect3D(4, 8, 12));
}

TEST(QuatFromEuler, ComposesXThenYThenZ)
{
    const Quat zero = Quat::FromEuler(0, 0, 0);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.w, 1.0f);
    const Quat qx = Quat::FromEuler(0.3f, 0, 0);
    EXPECT_FLOAT_EQ(qx.x, std::sin(0.15f));
    EXPECT_FLOAT_EQ(qx.w, std::cos(0.15f));
    EXPECT_EQ(qx.y, 0.0f);
    // x acts first: (0,1,0) about x by 90 deg -> (0,0,1), then about z leaves it.
    ExpectNear(Quat::FromEuler(halfPi, 0, halfPi).Rotate(Vect3D(0, 1, 0)), Vect3D(0, 0, 1));
    ExpectNear(Quat::FromEuler(Vect3D(0, halfPi, 0)).Rotate(Vect3D(1, 0, 0)), Vect3D(0, 0, -1));
}

TEST(QuatToEuler, InvertsFromEulerOnlyWhenOneOfYAndZIsZero)
{
    ExpectNear(Quat::FromEuler(0.2f, 0.3f, 0).ToEuler(), Vect3D(0.2f, 0.3f, 0), 1e-5f);
    ExpectNear(Quat::FromEuler(0.2f, 0, 0.3f).ToEuler(), Vect3D(0.2f, 0, 0.3f), 1e-5f);
    // Documented non-inverse: the decomposition order differs from the composition order.
    ExpectNear(Quat::FromEuler(0, 0.2f, 0.3f).ToEuler(), Vect3D(-0.0614f, 0.2091f, 0.2938f), 1e-4f);
}

TEST(QuatToEuler, IdentityAndSingularities)
{
    const Vect3D id = Quat(5e-7f, 0, 0, 1).ToEuler();
    EXPECT_EQ(id.x, 0.0f);
    EXPECT_EQ(id.y, 0.0f);
    EXPECT_EQ(id.z, 0.0f);
    // test = x*y + z*w = 0.4995: the north-pole branch.
    const Quat pole(0.5f, 0.999f, 0.0f, 0.0f);
    ASSERT_GT(pole.x * pole.y + pole.z * pole.w, 0.499f);
    const Vect3D e = pole.ToEuler();
    EXPECT_EQ(e.x, 0.0f);
    EXPECT_EQ(e.z, 1.5707964f);
    EXPECT_FLOAT_EQ(e.y, 2.0f * std::atan2(0.5f, 0.0f));
    EXPECT_EQ(Quat(0.5f, -0.999f, 0.0f, 0.0f).ToEuler().z, -1.5707964f);
}

TEST(QuatInvert, IsTheConjugateWithoutNormalising)
{
    const Quat q = Quat::Invert(Quat(2, 0, 0, 0));
    EXPECT_EQ(q.x, -2.0f);
    EXPECT_EQ(q.w, 0.0f);
}

TEST(VectOps, ArithmeticAndMagnitude)
{
    const Vect3D a(1, 2, 3);
    ExpectNear(a + Vect3D(1, 1, 1), Vect3D(2, 3, 4));
    ExpectNear(a - Vect3D(1, 1, 1), Vect3D(0, 1, 2));
    ExpectNear(a * 2.0f, Vect3D(2, 4, 6));
    EXPECT_FLOAT_EQ(Vect3D(3, 4, 0).Magnitude(), 5.0f);
    EXPECT_FLOAT_EQ(Vect3D(1, 1, 1).DistTo(Vect3D(4, 5, 1)), 5.0f);
    Vect3D n(0, 3, 4);
    n.Normalize();
    ExpectNear(n, Vect3D(0, 0.6f, 0.8f));
    Vect3D z;
    z.Normalize();
    EXPECT_TRUE(std::isnan(z.x));
    Vect3D s(1, -1, 2);
    s.Scale(-2);
    ExpectNear(s, Vect3D(-2, 2, -4));
}

TEST(VectEquals, UsesStrictMicroTolerance)
{
    EXPECT_TRUE(Vect3D(0, 0, 0).Equals(Vect3D(0, 0, 0.0000009f)));
    EXPECT_FALSE(Vect3D(0, 0, 0).Equals(Vect3D(0, 0, 0.000002f)));
    EXPECT_FALSE(Quat().Equals(Quat(0, 0, 0, 1.00001f)));
}

TEST(VectQuatText, FixedSixDecimalsAndSeparators)
{
    EXPECT_EQ(Vect3D(1, -2.5f, 0).Serialize(';'), "1.000000;-2.500000;0.000000");
    EXPECT_EQ(Vect3D(1, -2.5f, 0).ToString(), "1.000000, -2.500000, 0.000000");
    EXPECT_EQ(Quat::identity.ToString(), "0.000000, 0.000000, 0.000000, 1.000000");
    EXPECT_EQ(Quat(1, 2, 3, 4).Serialize('|'), "1.000000|2.000000|3.000000|4.000000");
    EXPECT_EQ(Vect3D(-0.0f, 1e20f, 0.1234565f).Serialize(';'), "-0.000000;100000002004087734272.000000;0.123457");
}

TEST(VectQuatText, DeserializeNeedsEnoughParts)
{
    Vect3D v(9, 9, 9);
    EXPECT_TRUE(Vect3D::Deserialize("1;2;3;4", v, ';'));
    ExpectNear(v, Vect3D(1, 2, 3));
    EXPECT_FALSE(Vect3D::Deserialize("1;2", v, ';'));
    ExpectNear(v, Vect3D(0, 0, 0));
    v = Vect3D(9, 9, 9);
    EXPECT_TRUE(Vect3D::Deserialize("a;b;c", v, ';'));
    ExpectNear(v, Vect3D(0, 0, 0));
    EXPECT_FALSE(Vect3D::Deserialize("", v, ';'));

    Quat q(1, 1, 1, 1);
    EXPECT_FALSE(Quat::Deserialize("", q, ';'));
    EXPECT_TRUE(q.Equals(Quat::identity));
    q = Quat(1, 1, 1, 1);
    EXPECT_FALSE(Quat::Deserialize("1;2;3", q, ';'));
    EXPECT_TRUE(q.Equals(Quat::identity));
    EXPECT_TRUE(Quat::Deserialize("0,5;1;2;3;99", q, ';'));
    EXPECT_TRUE(q.Equals(Quat(0.5f, 1, 2, 3)));
}
