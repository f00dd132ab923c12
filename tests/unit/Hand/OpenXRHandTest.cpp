#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include <TSCore/Finger.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/JointKinematics.h>
#include <TSCore/Kinematics/Values.h>

#include "../support/Expect.h"

#if __has_include(<openxr/openxr.h>)
#  include <openxr/openxr.h>
#  include <openxr/openxr_reflection.h>
#  define TSCORE_HAVE_OPENXR_HEADERS 1
#endif

using TSCore::Finger;
using TSCore::HandPose;
using TSCore::OpenXRHand;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::JointKinematics;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;
using TSCoreTest::ExpectNear;

namespace
{
    constexpr float d = Values::Deg2Rad;
    using Locations = OpenXRHand::Locations;

    struct Axes
    {
        Vect3D x, y, z;
    };

    Axes AxesOf(Quat q) { return {q.Rotate(Vect3D(1, 0, 0)), q.Rotate(Vect3D(0, 1, 0)), q.Rotate(Vect3D(0, 0, 1))}; }

    float Determinant(const Axes& a)
    {
        return a.x.x * (a.y.y * a.z.z - a.z.y * a.y.z) - a.y.x * (a.x.y * a.z.z - a.z.y * a.x.z) +
               a.z.x * (a.x.y * a.y.z - a.y.y * a.x.z);
    }

    // A pose from joint angles (degrees, given for a right hand; a left hand gets their mirror
    // image) the way the gloves make one: the thumb chain starts turned about x, the fingers
    // at the model's joint rotations.
    HandPose MakePose(bool right, Vect3D thumbBase, Vect3D fingerMcp, float pip, float dip)
    {
        const BasicHandModel model = BasicHandModel::Default(right);
        if (!right)
            thumbBase = Vect3D(-thumbBase.x, thumbBase.y, -thumbBase.z);
        HandPose pose(right, std::vector<std::vector<Vect3D>>(5), std::vector<std::vector<Quat>>(5),
                      std::vector<std::vector<Vect3D>>(5));
        for (std::size_t f = 0; f < 5; ++f)
        {
            const auto finger = static_cast<Finger>(f);
            pose.handAngles[f] = f == 0
                                     ? std::vector<Vect3D>{thumbBase * d, Vect3D(0, 10 * d, 0), Vect3D(0, 20 * d, 0)}
                                     : std::vector<Vect3D>{fingerMcp * d, Vect3D(0, pip * d, 0), Vect3D(0, dip * d, 0)};
            const Quat start =
                f == 0 ? Quat::FromAngleAxis((right ? -90.0f : 90.0f) * d, 1, 0, 0) : model.GetJointRotation(finger);
            JointKinematics::ForwardKinematics(model.GetJointPosition(finger), start, model.Get3DLengths(finger),
                                               pose.handAngles[f], pose.jointPositions[f], pose.jointRotations[f]);
        }
        return pose;
    }

    HandPose Open(bool right) { return MakePose(right, Vect3D(0, -20, 30), Vect3D(0, 0, 0), 5, 5); }

    HandPose Fist(bool right) { return MakePose(right, Vect3D(0, 30, 10), Vect3D(0, 85, 0), 95, 60); }

    // The joints of each digit from its first location outwards, and its bone lengths.
    struct Chain
    {
        std::vector<int> joints;
        Finger finger;
    };

    const std::vector<Chain> chains = {
        {{OpenXRHand::ThumbMetacarpal, OpenXRHand::ThumbProximal, OpenXRHand::ThumbDistal, OpenXRHand::ThumbTip},
         Finger::Thumb},
        {{OpenXRHand::IndexMetacarpal, OpenXRHand::IndexProximal, OpenXRHand::IndexIntermediate,
          OpenXRHand::IndexDistal, OpenXRHand::IndexTip},
         Finger::Index},
        {{OpenXRHand::MiddleMetacarpal, OpenXRHand::MiddleProximal, OpenXRHand::MiddleIntermediate,
          OpenXRHand::MiddleDistal, OpenXRHand::MiddleTip},
         Finger::Middle},
        {{OpenXRHand::RingMetacarpal, OpenXRHand::RingProximal, OpenXRHand::RingIntermediate, OpenXRHand::RingDistal,
          OpenXRHand::RingTip},
         Finger::Ring},
        {{OpenXRHand::LittleMetacarpal, OpenXRHand::LittleProximal, OpenXRHand::LittleIntermediate,
          OpenXRHand::LittleDistal, OpenXRHand::LittleTip},
         Finger::Pinky},
    };

    const OpenXRHand::JointLocation& At(const Locations& l, int joint)
    {
        return l.jointLocations[static_cast<std::size_t>(joint)];
    }

    // Every frame property that a wrong axis, a reflected left hand or a wrong joint order breaks.
    // wholeThumb: every thumb joint lies on the thumb's side (not in a fist, whose thumb tip
    // may cross over the fingers, nor in the library's idle left hand, whose thumb is not the
    // right one's mirror image).
    void ExpectWellFormed(const HandPose& pose, bool open, bool wholeThumb)
    {
        SCOPED_TRACE(std::string(pose.isRight ? "right" : "left") + (open ? " open" : " fist"));
        const BasicHandModel model = BasicHandModel::Default(pose.isRight);
        Locations l;
        ASSERT_TRUE(OpenXRHand::Locate(pose, model, true, l));
        EXPECT_TRUE(l.isActive);
        for (const auto& joint : l.jointLocations)
        {
            const Quat q = joint.pose.orientation;
            EXPECT_EQ(joint.locationFlags, 0xFu);
            EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
            EXPECT_NEAR(Determinant(AxesOf(q)), 1.0f, 1e-4f);
            EXPECT_TRUE(joint.radius > 0.004f && joint.radius < 0.03f) << joint.radius;
        }
        for (const Chain& chain : chains)
        {
            const std::size_t first = chain.finger == Finger::Thumb ? 0 : 1; // bones of the model
            for (std::size_t k = 0; k + 1 < chain.joints.size(); ++k)
            {
                const Vect3D from = At(l, chain.joints[k]).pose.position;
                const Vect3D to = At(l, chain.joints[k + 1]).pose.position;
                Vect3D along = to - from;
                along.Normalize();
                ExpectNear(AxesOf(At(l, chain.joints[k]).pose.orientation).z * -1.0f, along, 1e-3f);
                if (k >= first)
                {
                    EXPECT_NEAR(from.DistTo(to), model.GetFingerLengths(chain.finger)[k - first] / 1000.0f, 1e-6f);
                }
            }
        }
        // The thumb on its side: toward -X of a right hand, +X of a left one (its base lies just
        // beside the wrist, which is in line with the middle finger).
        const float side = pose.isRight ? -1.0f : 1.0f;
        for (int j = OpenXRHand::ThumbMetacarpal; j <= (wholeThumb ? OpenXRHand::ThumbTip : OpenXRHand::ThumbProximal);
             ++j)
            EXPECT_GT(side * At(l, j).pose.position.x, 0.004f) << OpenXRHand::JointName(j);
        EXPECT_LT(side * At(l, OpenXRHand::LittleTip).pose.position.x, 0.0f);
        // The standard's palm and wrist: the palm at the middle of the middle metacarpal, its +Z
        // along that bone away from the fingertips; the wrist's +Z along the line from the middle
        // metacarpal joint to the wrist; both with +Y toward the back of the hand.
        const Vect3D middleBase = At(l, OpenXRHand::MiddleMetacarpal).pose.position;
        const Vect3D middleKnuckle = At(l, OpenXRHand::MiddleProximal).pose.position;
        ExpectNear(At(l, OpenXRHand::Palm).pose.position, (middleBase + middleKnuckle) * 0.5f, 1e-6f);
        Vect3D metacarpal = middleBase - middleKnuckle;
        metacarpal.Normalize();
        ExpectNear(AxesOf(At(l, OpenXRHand::Palm).pose.orientation).z, metacarpal, 1e-5f);
        Vect3D carpal = At(l, OpenXRHand::Wrist).pose.position - middleBase;
        carpal.Normalize();
        ExpectNear(AxesOf(At(l, OpenXRHand::Wrist).pose.orientation).z, carpal, 1e-6f);
        for (int j : {OpenXRHand::Palm, OpenXRHand::Wrist})
            EXPECT_GT(AxesOf(At(l, j).pose.orientation).y.y, 0.9f) << OpenXRHand::JointName(j);
        if (!open)
            return;
        // The wrist's +Z points away from the fingertips.
        EXPECT_LT(At(l, OpenXRHand::MiddleTip).pose.position.z, -0.1f);
        // +Y out of the back of the hand: palm, wrist and every finger joint (the thumb's nail
        // faces sideways).
        for (int j = OpenXRHand::Palm; j < OpenXRHand::jointCount; ++j)
        {
            if (j < OpenXRHand::ThumbMetacarpal || j > OpenXRHand::ThumbTip)
            {
                EXPECT_GT(AxesOf(At(l, j).pose.orientation).y.y, 0.98f) << OpenXRHand::JointName(j);
            }
        }
    }
}

#ifdef TSCORE_HAVE_OPENXR_HEADERS
// The structs and values stand in for OpenXR's own; an application may copy them across.
#  define TSCORE_SAME_VALUE(ours, theirs) static_assert(static_cast<int>(OpenXRHand::ours) == theirs);
TSCORE_SAME_VALUE(Palm, XR_HAND_JOINT_PALM_EXT)
TSCORE_SAME_VALUE(Wrist, XR_HAND_JOINT_WRIST_EXT)
TSCORE_SAME_VALUE(ThumbMetacarpal, XR_HAND_JOINT_THUMB_METACARPAL_EXT)
TSCORE_SAME_VALUE(ThumbProximal, XR_HAND_JOINT_THUMB_PROXIMAL_EXT)
TSCORE_SAME_VALUE(ThumbDistal, XR_HAND_JOINT_THUMB_DISTAL_EXT)
TSCORE_SAME_VALUE(ThumbTip, XR_HAND_JOINT_THUMB_TIP_EXT)
TSCORE_SAME_VALUE(IndexMetacarpal, XR_HAND_JOINT_INDEX_METACARPAL_EXT)
TSCORE_SAME_VALUE(IndexProximal, XR_HAND_JOINT_INDEX_PROXIMAL_EXT)
TSCORE_SAME_VALUE(IndexIntermediate, XR_HAND_JOINT_INDEX_INTERMEDIATE_EXT)
TSCORE_SAME_VALUE(IndexDistal, XR_HAND_JOINT_INDEX_DISTAL_EXT)
TSCORE_SAME_VALUE(IndexTip, XR_HAND_JOINT_INDEX_TIP_EXT)
TSCORE_SAME_VALUE(MiddleMetacarpal, XR_HAND_JOINT_MIDDLE_METACARPAL_EXT)
TSCORE_SAME_VALUE(MiddleProximal, XR_HAND_JOINT_MIDDLE_PROXIMAL_EXT)
TSCORE_SAME_VALUE(MiddleIntermediate, XR_HAND_JOINT_MIDDLE_INTERMEDIATE_EXT)
TSCORE_SAME_VALUE(MiddleDistal, XR_HAND_JOINT_MIDDLE_DISTAL_EXT)
TSCORE_SAME_VALUE(MiddleTip, XR_HAND_JOINT_MIDDLE_TIP_EXT)
TSCORE_SAME_VALUE(RingMetacarpal, XR_HAND_JOINT_RING_METACARPAL_EXT)
TSCORE_SAME_VALUE(RingProximal, XR_HAND_JOINT_RING_PROXIMAL_EXT)
TSCORE_SAME_VALUE(RingIntermediate, XR_HAND_JOINT_RING_INTERMEDIATE_EXT)
TSCORE_SAME_VALUE(RingDistal, XR_HAND_JOINT_RING_DISTAL_EXT)
TSCORE_SAME_VALUE(RingTip, XR_HAND_JOINT_RING_TIP_EXT)
TSCORE_SAME_VALUE(LittleMetacarpal, XR_HAND_JOINT_LITTLE_METACARPAL_EXT)
TSCORE_SAME_VALUE(LittleProximal, XR_HAND_JOINT_LITTLE_PROXIMAL_EXT)
TSCORE_SAME_VALUE(LittleIntermediate, XR_HAND_JOINT_LITTLE_INTERMEDIATE_EXT)
TSCORE_SAME_VALUE(LittleDistal, XR_HAND_JOINT_LITTLE_DISTAL_EXT)
TSCORE_SAME_VALUE(LittleTip, XR_HAND_JOINT_LITTLE_TIP_EXT)
static_assert(OpenXRHand::jointCount == XR_HAND_JOINT_COUNT_EXT);
static_assert(OpenXRHand::orientationValid == XR_SPACE_LOCATION_ORIENTATION_VALID_BIT &&
              OpenXRHand::positionValid == XR_SPACE_LOCATION_POSITION_VALID_BIT &&
              OpenXRHand::orientationTracked == XR_SPACE_LOCATION_ORIENTATION_TRACKED_BIT &&
              OpenXRHand::positionTracked == XR_SPACE_LOCATION_POSITION_TRACKED_BIT);
static_assert(sizeof(OpenXRHand::Pose) == sizeof(XrPosef) &&
              offsetof(OpenXRHand::Pose, position) == offsetof(XrPosef, position));
static_assert(sizeof(OpenXRHand::JointLocation) == sizeof(XrHandJointLocationEXT) &&
              offsetof(OpenXRHand::JointLocation, pose) == offsetof(XrHandJointLocationEXT, pose) &&
              offsetof(OpenXRHand::JointLocation, radius) == offsetof(XrHandJointLocationEXT, radius));
#endif

TEST(OpenXRHandLayout, NamesFollowTheExtension)
{
#ifdef TSCORE_HAVE_OPENXR_HEADERS
#  define TSCORE_CHECK_NAME(name, value)                                                                               \
    if (value < OpenXRHand::jointCount)                                                                                \
    {                                                                                                                  \
      EXPECT_STREQ(OpenXRHand::JointName(value), #name);                                                               \
    }
    XR_LIST_ENUM_XrHandJointEXT(TSCORE_CHECK_NAME)
#else
    GTEST_SKIP() << "openxr/openxr.h not installed (libopenxr-dev): the values are not compared";
#endif
        EXPECT_STREQ(OpenXRHand::JointName(-1), "");
    EXPECT_STREQ(OpenXRHand::JointName(26), "");
}

TEST(OpenXRHandFrames, OpenAndFistOfBothHands)
{
    for (bool right : {true, false})
    {
        ExpectWellFormed(Open(right), true, true);
        ExpectWellFormed(Fist(right), false, false);
        ExpectWellFormed(HandPose::DefaultIdle(right), true, right);
    }
}

TEST(OpenXRHandFrames, LeftHandIsTheRightOneMirroredWithProperRotations)
{
    Locations r, l;
    ASSERT_TRUE(OpenXRHand::Locate(Fist(true), BasicHandModel::Default(true), true, r));
    ASSERT_TRUE(OpenXRHand::Locate(Fist(false), BasicHandModel::Default(false), true, l));
    // Positions mirrored in X, rotations mirrored as rotations: axis (x, y, z) by angle a
    // becomes (x, -y, -z) by a; a reflection would fail the frame checks above.
    for (int j = 0; j < OpenXRHand::jointCount; ++j)
    {
        SCOPED_TRACE(OpenXRHand::JointName(j));
        const OpenXRHand::Pose a = At(r, j).pose;
        const OpenXRHand::Pose b = At(l, j).pose;
        ExpectNear(b.position, Vect3D(-a.position.x, a.position.y, a.position.z), 1e-6f);
        const Quat expected(a.orientation.x, -a.orientation.y, -a.orientation.z, a.orientation.w);
        EXPECT_TRUE(std::fabs(b.orientation.x - expected.x) < 1e-5f &&
                    std::fabs(b.orientation.y - expected.y) < 1e-5f &&
                    std::fabs(b.orientation.z - expected.z) < 1e-5f && std::fabs(b.orientation.w - expected.w) < 1e-5f)
            << b.orientation.ToString() << " vs " << expected.ToString();
        EXPECT_FLOAT_EQ(At(l, j).radius, At(r, j).radius);
    }
}

TEST(OpenXRHandFrames, WristPoseFromTheOrientationSensorAndPlacement)
{
    OpenXRHand::Pose wrist;
    // Identity: flat, palm down, fingers forward (-Z).
    ASSERT_TRUE(OpenXRHand::WristPose(Quat(), Vect3D(0.1f, 1.2f, -0.3f), wrist));
    EXPECT_TRUE(wrist.orientation.IsIdentity());
    // The hand turned 90 degrees left about the sensor's up axis (z): about the space's +Y,
    // fingers toward -X. A non-unit quaternion is normalised.
    const Quat turned = Quat::FromAngleAxis(90 * d, 0, 0, 1);
    ASSERT_TRUE(OpenXRHand::WristPose(Quat(turned.x * 2, turned.y * 2, turned.z * 2, turned.w * 2), Vect3D(), wrist));
    ExpectNear(AxesOf(wrist.orientation).z * -1.0f, Vect3D(-1, 0, 0), 1e-6f);
    ExpectNear(AxesOf(wrist.orientation).y, Vect3D(0, 1, 0), 1e-6f);
    EXPECT_FALSE(OpenXRHand::WristPose(Quat(0, 0, 0, 0), Vect3D(), wrist));
    EXPECT_TRUE(wrist.orientation.IsIdentity());

    // Placing by a wrist pose moves and turns every joint with it.
    const HandPose pose = Fist(true);
    const BasicHandModel model = BasicHandModel::Default(true);
    Locations local, placed;
    ASSERT_TRUE(OpenXRHand::Locate(pose, model, true, local));
    const OpenXRHand::Pose at{turned, Vect3D(0.2f, 1.0f, -0.4f)};
    ASSERT_TRUE(OpenXRHand::Locate(pose, model, true, at, placed));
    for (int j = 0; j < OpenXRHand::jointCount; ++j)
    {
        ExpectNear(At(placed, j).pose.position, at.position + turned.Rotate(At(local, j).pose.position), 1e-6f);
        ExpectNear(AxesOf(At(placed, j).pose.orientation).z, turned.Rotate(AxesOf(At(local, j).pose.orientation).z),
                   1e-5f);
    }
}

TEST(OpenXRHandFlags, FollowTheGlovesStateAndNoneWithoutUsableInput)
{
    using Tracking = OpenXRHand::Tracking;
    // stamp read, its age, connected, complete -> what the reading may claim.
    const struct
    {
        bool stampRead;
        long long age;
        bool connected, complete;
        Tracking expected;
    } rule[] = {
        {true, 0, true, true, Tracking::Tracked},   {true, 2, true, true, Tracking::Tracked},
        {true, -30, true, true, Tracking::Tracked}, {true, 3, true, true, Tracking::Untracked},
        {true, 9, true, true, Tracking::Untracked}, {true, 10, true, true, Tracking::Lost},
        {true, 100, true, true, Tracking::Lost},    {false, 0, true, true, Tracking::Lost},
        {true, 0, false, true, Tracking::Lost},     {true, 5, false, true, Tracking::Lost},
        {true, 0, true, false, Tracking::Lost},
    };
    for (const auto& r : rule)
        EXPECT_EQ(OpenXRHand::TrackingOf(r.stampRead, r.age, r.connected, r.complete), r.expected)
            << r.stampRead << " " << r.age << " " << r.connected << " " << r.complete;

    const HandPose pose = Open(true);
    const BasicHandModel model = BasicHandModel::Default(true);
    Locations l, tracked;
    ASSERT_TRUE(OpenXRHand::Locate(pose, model, Tracking::Tracked, tracked));
    // Stale: the same joints, valid but not tracked.
    EXPECT_TRUE(OpenXRHand::Locate(pose, model, Tracking::Untracked, l));
    EXPECT_TRUE(l.isActive);
    for (int j = 0; j < OpenXRHand::jointCount; ++j)
    {
        EXPECT_EQ(At(l, j).locationFlags, OpenXRHand::orientationValid | OpenXRHand::positionValid);
        ExpectNear(At(l, j).pose.position, At(tracked, j).pose.position, 0.0f);
    }
    EXPECT_FALSE(OpenXRHand::Locate(pose, model, Tracking::Lost, l));
    EXPECT_FALSE(l.isActive);
    for (const auto& joint : l.jointLocations)
        EXPECT_EQ(joint.locationFlags, 0u);
    EXPECT_FALSE(OpenXRHand::Locate(pose, model, false, l)) << "the glove answered false";
    EXPECT_FALSE(l.isActive);
    for (const auto& joint : l.jointLocations)
        EXPECT_EQ(joint.locationFlags, 0u);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    HandPose shortDigit = pose, nanPosition = pose, zeroRotation = pose;
    shortDigit.jointPositions[4].pop_back();
    nanPosition.jointPositions[2][1].x = nan;
    zeroRotation.jointRotations[1][0] = Quat(0, 0, 0, 0);
    BasicHandModel noLengths = model;
    noLengths.fingerLengths[3] = {0, 0, 0};
    const struct
    {
        const char* what;
        HandPose pose;
        BasicHandModel model;
    } bad[] = {
        {"empty pose", HandPose(), model},
        {"empty model", pose, BasicHandModel()},
        {"other hand's model", pose, BasicHandModel::Default(false)},
        {"short digit", shortDigit, model},
        {"NaN position", nanPosition, model},
        {"zero rotation", zeroRotation, model},
        {"zero-length digit", pose, noLengths},
    };
    for (const auto& b : bad)
    {
        l.isActive = true;
        l.jointLocations[3].locationFlags = OpenXRHand::allFlags;
        EXPECT_FALSE(OpenXRHand::Locate(b.pose, b.model, true, l)) << b.what;
        EXPECT_FALSE(l.isActive) << b.what;
        EXPECT_EQ(l.jointLocations[3].locationFlags, 0u) << b.what;
    }
}
