#include <gtest/gtest.h>

#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/JointKinematics.h>
#include <TSCore/Kinematics/Values.h>

#include "../support/Expect.h"

using TSCore::Finger;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::JointKinematics;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;
using TSCoreTest::ExpectNear;

TEST(BasicHandModelDefault, RightHandTables)
{
    const BasicHandModel m = BasicHandModel::Default(true);
    EXPECT_EQ(m.GetFingerLengths(Finger::Thumb), (std::vector<float>{40, 20, 25}));
    EXPECT_EQ(m.GetFingerLengths(Finger::Pinky), (std::vector<float>{25, 20, 20}));
    EXPECT_EQ(m.GetTotalLengths(), (std::vector<float>{85, 75, 75, 75, 65}));
    EXPECT_FLOAT_EQ(m.GetFingerRatioes(Finger::Thumb)[0], 40.0f / 85.0f);
    EXPECT_TRUE(m.GetJointPosition(Finger::Thumb).Equals(Vect3D(-16.599998f, 32.0f, -41.1f)));
    EXPECT_TRUE(m.GetJointPosition(Finger::Middle).Equals(Vect3D(77.2f, 11.0f, -17.0f)));
    EXPECT_TRUE(m.GetJointRotation(Finger::Index).Equals(Quat::FromEuler(-5 * Values::Deg2Rad, 0, 0)));
    EXPECT_TRUE(m.GetJointRotation(Finger::Middle).Equals(Quat::identity));
}

TEST(BasicHandModelDefault, LeftHandMirrorsPositionsAndRotations)
{
    const BasicHandModel m = BasicHandModel::Default(false);
    EXPECT_FALSE(m.isRight);
    EXPECT_TRUE(m.GetJointPosition(Finger::Thumb).Equals(Vect3D(-16.599998f, -32.0f, -41.1f)));
    EXPECT_TRUE(m.GetJointPosition(Finger::Pinky).Equals(Vect3D(56.3f, 33.1f, -18.0f)));
    EXPECT_TRUE(m.GetJointRotation(Finger::Index).Equals(Quat::FromEuler(5 * Values::Deg2Rad, 0, 0)));
    EXPECT_TRUE(m.GetJointRotation(Finger::Ring).Equals(Quat::FromEuler(-3 * Values::Deg2Rad, 0, 0)));
}

TEST(BasicHandModelValidate, CompletesShortListsFromDefaults)
{
    BasicHandModel m(true, {{50}, {1, 2, 3, 4}}, {Vect3D(1, 2, 3)});
    EXPECT_EQ(m.GetFingerLengths(Finger::Thumb), (std::vector<float>{50, 20, 25}));
    EXPECT_EQ(m.GetFingerLengths(Finger::Index), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(m.GetFingerLengths(Finger::Ring), (std::vector<float>{30, 25, 20}));
    EXPECT_TRUE(m.GetJointPosition(Finger::Thumb).Equals(Vect3D(1, 2, 3)));
    EXPECT_TRUE(m.GetJointPosition(Finger::Index).Equals(Vect3D(59.4f, 33.1f, -18.0f)));
    EXPECT_EQ(m.jointRotations.size(), 5u);
    EXPECT_EQ(m.GetTotalLength(Finger::Thumb), 95.0f);
    // More than five digits are dropped.
    BasicHandModel big(true, std::vector<std::vector<float>>(7, {1, 1, 1}), {});
    EXPECT_EQ(big.fingerLengths.size(), 5u);
}

TEST(BasicHandModelSetters, KeepDerivedListsInStep)
{
    BasicHandModel m = BasicHandModel::Default(true);
    m.SetFingerLengths({10, 10}, Finger::Index);
    EXPECT_EQ(m.GetTotalLength(Finger::Index), 20.0f);
    EXPECT_EQ(m.GetFingerRatioes(Finger::Index), (std::vector<float>{0.5f, 0.5f}));
    const std::vector<Vect3D> bones = m.Get3DLengths(Finger::Index);
    ASSERT_EQ(bones.size(), 3u);
    EXPECT_TRUE(bones[2].Equals(Vect3D::zero));
    EXPECT_TRUE(BasicHandModel().Get3DLengths(Finger::Thumb)[0].Equals(Vect3D::zero));
}

TEST(BasicHandModelEquals, ComparesGeometryNotSide)
{
    const BasicHandModel r = BasicHandModel::Default(true);
    BasicHandModel other = r;
    other.isRight = false;
    EXPECT_TRUE(r.Equals(other));
    other.SetJointPosition(Vect3D(0, 0, 0), Finger::Ring);
    EXPECT_FALSE(r.Equals(other));
    EXPECT_FALSE(r.Equals(BasicHandModel()));
    BasicHandModel shortDigit = r;
    shortDigit.fingerLengths[2].pop_back();
    EXPECT_FALSE(r.Equals(shortDigit));
}

TEST(BasicHandModelText, StorageRoundTripAndSide)
{
    BasicHandModel m(false, {{41, 21, 26}}, {Vect3D(-10, -30, -40)});
    m.SetJointRotation(Quat::FromEuler(0.1f, 0.2f, 0.3f), Finger::Middle);
    const BasicHandModel back = BasicHandModel::Deserialize(m.Serialize());
    EXPECT_TRUE(back.Equals(m));
    EXPECT_FALSE(back.isRight);
    EXPECT_EQ(m.Serialize().substr(0, 3), "{L}");
    EXPECT_FALSE(BasicHandModel::Deserialize("{L}").isRight);
    EXPECT_FALSE(BasicHandModel::Deserialize("{}").isRight);
}

TEST(BasicHandModelText, FewerBlocksCompleteFromDefaults)
{
    const BasicHandModel m = BasicHandModel::Deserialize("{R}{{50;20;25}}");
    EXPECT_TRUE(m.isRight);
    EXPECT_EQ(m.GetFingerLengths(Finger::Thumb), (std::vector<float>{50, 20, 25}));
    EXPECT_TRUE(
        m.GetJointPosition(Finger::Index).Equals(BasicHandModel::Default(true).GetJointPosition(Finger::Index)));
    EXPECT_TRUE(BasicHandModel::Deserialize("").Equals(BasicHandModel::Default(false)));
    // A number beyond float range is caught: the default geometry of the side read so far.
    const BasicHandModel bad = BasicHandModel::Deserialize("{L}{{1e99}}");
    EXPECT_FALSE(bad.isRight);
    EXPECT_TRUE(bad.Equals(BasicHandModel::Default(false)));
}

TEST(BasicHandModelText, ReadableForms)
{
    const BasicHandModel m = BasicHandModel::Default(true);
    EXPECT_EQ(m.ToString(), "Thumb: [40, 20, 25]\r\nIndex: [30, 25, 20]\r\nMiddle: [30, 25, 20]\r\n"
                            "Ring: [30, 25, 20]\r\nPinky: [25, 20, 20]");
    const std::string full = m.ToString(false);
    EXPECT_EQ(full.substr(0, full.find("\r\n")),
              "Thumb: [40, 20, 25], startPositon: -16.599998, 32.000000, -41.099998, startRotation: 0.000000, "
              "0.000000, 0.000000");
    EXPECT_EQ(BasicHandModel().ToString(), "");
}

TEST(ForwardKinematics, StraightAndBentChains)
{
    const std::vector<Vect3D> segments(3, Vect3D(10, 0, 0));
    std::vector<Vect3D> pos;
    std::vector<Quat> rot;
    ASSERT_TRUE(JointKinematics::ForwardKinematics(Vect3D(), Quat(), segments, std::vector<Vect3D>(3), pos, rot));
    ASSERT_EQ(pos.size(), 4u);
    ExpectNear(pos[3], Vect3D(30, 0, 0));
    EXPECT_TRUE(rot[3].IsIdentity());

    const std::vector<Vect3D> bend{Vect3D(0, 1.5707964f, 0)};
    ASSERT_TRUE(JointKinematics::ForwardKinematics(Vect3D(), Quat(), segments, bend, pos, rot));
    ExpectNear(pos[1], Vect3D(0, 0, -10));
    ExpectNear(pos[3], Vect3D(0, 0, -30));
    // With one angle triple the later joints keep the first rotation.
    EXPECT_TRUE(rot[1].Equals(rot[0]));
    EXPECT_TRUE(rot[3].Equals(rot[0]));
}

TEST(ForwardKinematics, EmptyChainAndReplacedOutputs)
{
    std::vector<Vect3D> pos(7, Vect3D(1, 1, 1));
    std::vector<Quat> rot(7);
    EXPECT_FALSE(JointKinematics::ForwardKinematics(Vect3D(5, 0, 0), Quat(1, 0, 0, 0), {}, {}, pos, rot));
    ASSERT_EQ(pos.size(), 1u);
    ASSERT_EQ(rot.size(), 1u);
    EXPECT_TRUE(pos[0].Equals(Vect3D(5, 0, 0)));
    EXPECT_TRUE(rot[0].Equals(Quat(1, 0, 0, 0)));
}

TEST(ForwardKinematics, OutputMayAliasInput)
{
    std::vector<Vect3D> chain(2, Vect3D(10, 0, 0));
    std::vector<Quat> rot;
    EXPECT_TRUE(JointKinematics::ForwardKinematics(Vect3D(), Quat(), chain, {}, chain, rot));
    ASSERT_EQ(chain.size(), 3u);
    ExpectNear(chain[2], Vect3D(20, 0, 0));
}

TEST(ForwardKinematics, ModelOverloadWalksOneDigit)
{
    BasicHandModel m = BasicHandModel::Default(true);
    std::vector<Vect3D> pos;
    std::vector<Quat> rot;
    ASSERT_TRUE(JointKinematics::ForwardKinematics(m, Finger::Middle, std::vector<Vect3D>(3), pos, rot));
    ASSERT_EQ(pos.size(), 4u);
    ExpectNear(pos[0], Vect3D(77.2f, 11, -17));
    ExpectNear(pos[3], Vect3D(77.2f + 75, 11, -17));
}
