#pragma once

// Wearer's hand poses for the tests, built the way the library builds them: joint angles on the
// default hand model of the side through forward kinematics, the thumb's chain starting turned
// about x (-90 degrees for a right hand, +90 for a left one).

#include <array>
#include <cmath>
#include <vector>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/JointKinematics.h>

namespace RetargetTest
{
    using TSCore::Kinematics::Vect3D;

    /// Per digit (thumb first), per joint: (twist, flexion, spread) in degrees.
    using Angles = std::array<std::array<Vect3D, 3>, 5>;

    inline TSCore::HandPose Pose(const Angles& degrees, bool right = true)
    {
        using namespace TSCore::Kinematics;
        BasicHandModel model = BasicHandModel::Default(right);
        TSCore::HandPose pose;
        pose.isRight = right;
        pose.jointPositions.resize(5);
        pose.jointRotations.resize(5);
        pose.handAngles.resize(5);
        for (std::size_t d = 0; d < 5; ++d)
        {
            // A left hand mirrors the right one: flexion stays, twist and spread turn the other way.
            for (const Vect3D& a : degrees[d])
                pose.handAngles[d].push_back(Values::Radians(right ? a : Vect3D(-a.x, a.y, -a.z)));
            const TSCore::Finger f = static_cast<TSCore::Finger>(d);
            const Quat start = d == 0 ? Quat::FromAngleAxis((right ? -90.0f : 90.0f) * Values::Deg2Rad, 1, 0, 0)
                                      : model.GetJointRotation(f);
            JointKinematics::ForwardKinematics(model.GetJointPosition(f), start, model.Get3DLengths(f),
                                               pose.handAngles[d], pose.jointPositions[d], pose.jointRotations[d]);
        }
        return pose;
    }

    /// Every joint at 0: the hand flat, the thumb alongside the fingers.
    inline Angles Open() { return Angles{}; }

    /// Fingers curled into the palm, the thumb folded over them.
    inline Angles Fist()
    {
        Angles a{};
        a[0] = {Vect3D(0, 25, 45), Vect3D(0, 55, 0), Vect3D(0, 70, 0)};
        for (std::size_t f = 1; f < 5; ++f)
            a[f] = {Vect3D(0, 85, 0), Vect3D(0, 100, 0), Vect3D(0, 75, 0)};
        return a;
    }

    /// Thumb and index tips together (about a third of a millimetre apart), the other
    /// fingers relaxed.
    inline Angles Pinch()
    {
        Angles a{};
        a[0] = {Vect3D(0, -16, 24), Vect3D(0, 30, 0), Vect3D(0, 10, 0)};
        a[1] = {Vect3D(0, 45, 0), Vect3D(0, 60, 0), Vect3D(0, 42, 0)};
        for (std::size_t f = 2; f < 5; ++f)
            a[f] = {Vect3D(0, 10, 0), Vect3D(0, 10, 0), Vect3D(0, 5, 0)};
        return a;
    }

    /// (1 - s) a + s b, joint by joint.
    inline Angles Blend(const Angles& a, const Angles& b, float s)
    {
        Angles out{};
        for (std::size_t d = 0; d < 5; ++d)
            for (std::size_t j = 0; j < 3; ++j)
                out[d][j] = a[d][j] * (1.0f - s) + b[d][j] * s;
        return out;
    }
}
