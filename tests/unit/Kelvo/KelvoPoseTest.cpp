#include <gtest/gtest.h>

#include <vector>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kinematics/JointKinematics.h>
#include <TSCore/Kinematics/Values.h>

using TSCore::Finger;
using TSCore::HandPose;
using TSCore::Kelvo::Kelvo_Profile;
using TSCore::Kelvo::Kelvo_SensorData;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::InterpolationSet;
using TSCore::Kinematics::JointKinematics;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;

namespace
{
    // A glove of the given side holding the range, applied to the profile as the device does.
    void ApplyRange(Kelvo_Profile& profile, std::vector<Vect3D> lo, std::vector<Vect3D> hi, bool right)
    {
        TSCore::Kelvo::Kelvo glove;
        glove.gloveInfo.isRight = right;
        glove.calibrationMin = std::move(lo);
        glove.calibrationMax = std::move(hi);
        glove.ApplyCalibration(profile);
    }

    constexpr float d = Values::Deg2Rad;

    Kelvo_SensorData Reading(std::vector<Vect3D> entries)
    {
        return Kelvo_SensorData(std::move(entries), 5, Quat::identity, true);
    }

    const InterpolationSet& Set(const Kelvo_Profile& p, int digit, int movement)
    {
        return p.interpolator.interpolationSets[static_cast<std::size_t>(digit)][static_cast<std::size_t>(movement)];
    }
}

TEST(KelvoCalibrationValues, LittleFingerRepeatsRingFinger)
{
    const auto four =
        TSCore::Kelvo::Kelvo::GetCalibrationValues(Reading({{0, 1, 2}, {0, 3, 4}, {0, 5, 6}, {0, 7, 8}, {0, 9, 9}}));
    ASSERT_EQ(four.size(), 5u);
    EXPECT_TRUE(four[4].Equals(Vect3D(0, 7, 8)));
    const auto two = TSCore::Kelvo::Kelvo::GetCalibrationValues(Reading({{0, 1, 2}, {0, 3, 4}}));
    ASSERT_EQ(two.size(), 5u);
    for (std::size_t i = 2; i < 5; ++i)
        EXPECT_TRUE(two[i].Equals(Vect3D::zero)) << i;
}

TEST(KelvoApplyCalibration, WritesInputRangesAndStartAngles)
{
    const std::vector<Vect3D> lo = {{0, 100, 10}, {0, 110, 0}, {0, 120, 0}, {0, 130, 0}, {0, 140, 0}};
    const std::vector<Vect3D> hi = {{0, 900, 90}, {0, 910, 0}, {0, 920, 0}, {0, 930, 0}, {0, 940, 0}};
    const Kelvo_Profile before = Kelvo_Profile::Default(true);
    Kelvo_Profile p = before;
    ApplyRange(p, lo, hi, true);

    // Thumb: CMCFlexion, MCPFlexion, IPFlexion from y; CMCAbduction from z; CMCTwist untouched.
    const float thumbStart[5] = {0, -55 * d, 0, -10 * d, -10 * d};
    for (int m : {1, 3, 4})
    {
        EXPECT_EQ(Set(p, 0, m).inStart, 100.0f);
        EXPECT_EQ(Set(p, 0, m).inEnd, 900.0f);
        EXPECT_FLOAT_EQ(Set(p, 0, m).outStart, thumbStart[m]);
        EXPECT_EQ(Set(p, 0, m).outEnd, Set(before, 0, m).outEnd);
    }
    EXPECT_EQ(Set(p, 0, 2).inStart, 10.0f);
    EXPECT_EQ(Set(p, 0, 2).inEnd, 90.0f);
    EXPECT_EQ(Set(p, 0, 2).outStart, 0.0f);
    EXPECT_FLOAT_EQ(Set(p, 0, 2).outEnd, 60 * d);
    EXPECT_TRUE(Set(p, 0, 0).Equals(Set(before, 0, 0)));

    // Fingers: MCPFlexion, PIPFlexion, DIPFlexion from y; MCPAbduction and every limit untouched.
    const float fingerStart[4] = {-15 * d, 0, -10 * d, -10 * d};
    for (int f = 1; f < 5; ++f)
    {
        for (int m : {0, 2, 3})
        {
            EXPECT_EQ(Set(p, f, m).inStart, lo[static_cast<std::size_t>(f)].y) << f;
            EXPECT_EQ(Set(p, f, m).inEnd, hi[static_cast<std::size_t>(f)].y) << f;
            EXPECT_FLOAT_EQ(Set(p, f, m).outStart, fingerStart[m]);
            EXPECT_EQ(Set(p, f, m).upperLimit, Set(before, f, m).upperLimit);
        }
        EXPECT_TRUE(Set(p, f, 1).Equals(Set(before, f, 1)));
    }

    Kelvo_Profile left = Kelvo_Profile::Default(false);
    ApplyRange(left, lo, hi, false);
    EXPECT_FLOAT_EQ(Set(left, 0, 2).outEnd, -60 * d);
}

TEST(KelvoApplyCalibration, MissingSetsAndShortRangesAreSkipped)
{
    const std::vector<Vect3D> lo(5, Vect3D(0, -1, -2));
    const std::vector<Vect3D> hi(5, Vect3D(0, 1, 2));
    Kelvo_Profile empty;
    ApplyRange(empty, lo, hi, true);
    EXPECT_TRUE(empty.Equals(Kelvo_Profile()));

    Kelvo_Profile partial = Kelvo_Profile::Default(true);
    partial.interpolator.interpolationSets[0].resize(2);
    partial.interpolator.interpolationSets.resize(3);
    ApplyRange(partial, lo, hi, true);
    EXPECT_EQ(Set(partial, 0, 1).inEnd, 1.0f);
    EXPECT_EQ(Set(partial, 2, 3).inEnd, 1.0f);

    Kelvo_Profile p = Kelvo_Profile::Default(true); // only fingers present in both lists change
    ApplyRange(p, std::vector<Vect3D>(2, Vect3D(0, 5, 5)), std::vector<Vect3D>(7, Vect3D(0, 9, 9)), true);
    EXPECT_EQ(Set(p, 1, 0).inStart, 5.0f);
    EXPECT_EQ(Set(p, 2, 0).inEnd, 1000.0f);
}

TEST(KelvoCalculateHandPose, LittleFingerFollowsRingSensor)
{
    BasicHandModel model = BasicHandModel::Default(false);
    Kelvo_Profile profile = Kelvo_Profile::Default(false);
    const std::vector<Vect3D> s = {{0, 300, 200}, {0, 400, 100}, {0, 500, 50}, {0, 600, 0}};
    Kelvo_SensorData data = Reading(s);
    const HandPose pose = TSCore::Kelvo::Kelvo::CalculateHandPose(model, data, profile);

    EXPECT_FALSE(pose.isRight);
    ASSERT_EQ(pose.handAngles.size(), 5u);
    HandInterpolator& interp = profile.interpolator;
    EXPECT_TRUE(Values::Equal(pose.handAngles[0], HandInterpolator::InterpolateThumbAngles(interp, s[0])));
    const auto finger = [&interp](Finger f, Vect3D v)
    { return HandInterpolator::InterpolateFingerAngles(f, interp, v); };
    EXPECT_TRUE(Values::Equal(pose.handAngles[2], finger(Finger::Middle, s[2])));
    EXPECT_TRUE(Values::Equal(pose.handAngles[4], finger(Finger::Pinky, s[3])));

    std::vector<Vect3D> pos;
    std::vector<Quat> rot;
    JointKinematics::ForwardKinematics(model.GetJointPosition(Finger::Thumb), interp.thumbStartRotation,
                                       model.Get3DLengths(Finger::Thumb), pose.handAngles[0], pos, rot);
    EXPECT_TRUE(Values::Equal(pose.jointPositions[0], pos));
    EXPECT_TRUE(Values::Equal(pose.jointRotations[0], rot));
    JointKinematics::ForwardKinematics(model, Finger::Pinky, pose.handAngles[3], pos, rot); // the ring's angles
    EXPECT_TRUE(Values::Equal(pose.jointPositions[4], pos));
    EXPECT_TRUE(Values::Equal(pose.jointRotations[4], rot));
}

TEST(KelvoCalculateHandPose, MissingEntriesReadAsZero)
{
    BasicHandModel model = BasicHandModel::Default(true);
    Kelvo_Profile profile = Kelvo_Profile::Default(true);
    Kelvo_SensorData shortReading = Reading({{0, 300, 200}, {0, 400, 100}});
    Kelvo_SensorData padded = Reading({{0, 300, 200}, {0, 400, 100}, Vect3D::zero, Vect3D::zero});
    EXPECT_TRUE(TSCore::Kelvo::Kelvo::CalculateHandPose(model, shortReading, profile)
                    .Equals(TSCore::Kelvo::Kelvo::CalculateHandPose(model, padded, profile)));

    BasicHandModel emptyModel; // no digits, no sets: nothing to read past
    Kelvo_Profile emptyProfile;
    Kelvo_SensorData none = Kelvo_SensorData::Empty();
    EXPECT_EQ(TSCore::Kelvo::Kelvo::CalculateHandPose(emptyModel, none, emptyProfile).jointPositions.size(), 5u);
}
