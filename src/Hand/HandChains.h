#pragma once

// What every hand pose is made of, whichever glove it comes from: the joint angles of each
// digit from its sensor angles through the interpolator, and forward kinematics down each
// digit's chain, the thumb starting from its own rotation instead of the hand model's. Both
// write into the caller's storage, so a pose reused from frame to frame allocates nothing.

#include <cstddef>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::detail
{
    /// The thumb chain's start rotation of an uncalibrated or idle hand: -90 degrees about x
    /// for a right hand, +90 for a left one.
    Kinematics::Quat DefaultThumbStartRotation(bool right);

    /// The three bones of a digit as vectors along x ((0, 0, 0) where the model has no length),
    /// as BasicHandModel::Get3DLengths gives them, into a list the caller reuses.
    void DigitBones(const Kinematics::BasicHandModel& model, Finger finger, std::vector<Kinematics::Vect3D>& bones);

    /// Joint angles (three triples) of the thumb from its sensor angles: twist and spread from
    /// z, flexion of each joint from y. A set the interpolator lacks gives 0.
    void InterpolateThumb(const Kinematics::HandInterpolator& interpolator, Kinematics::Vect3D sensor,
                          std::vector<Kinematics::Vect3D>& joints);
    /// Joint angles of a finger: spread of the first joint from z, flexion of each from y.
    void InterpolateFinger(Finger finger, const Kinematics::HandInterpolator& interpolator, Kinematics::Vect3D sensor,
                           std::vector<Kinematics::Vect3D>& joints);

    /// Digit f's chain runs on the angles of digit chainOf[f].
    using ChainAngles = std::size_t[fingerCount];
    inline constexpr ChainAngles ownAngles = {0, 1, 2, 3, 4};

    /// Positions and rotations of every digit of out from out.handAngles, on the model's
    /// geometry; the thumb starts from thumbStart. out.handAngles must hold five digits.
    void SolveHandChains(const Kinematics::BasicHandModel& model, const Kinematics::Quat& thumbStart,
                         const ChainAngles& chainOf, HandPose& out);
}
