#pragma once

// What every hand pose is made of, whichever glove it comes from: forward kinematics down each
// digit's chain from the joint angles (Kinematics/DigitAngles.h gives those), the thumb starting
// from its own rotation instead of the hand model's. It writes into the caller's storage, so a
// pose reused from frame to frame allocates nothing.

#include <cstddef>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::detail
{
    /// The three bones of a digit as vectors along x ((0, 0, 0) where the model has no length),
    /// as BasicHandModel::Get3DLengths gives them, into a list the caller reuses.
    void DigitBones(const Kinematics::BasicHandModel& model, Finger finger, std::vector<Kinematics::Vect3D>& bones);

    /// Digit f's chain runs on the angles of digit chainOf[f].
    using ChainAngles = std::size_t[fingerCount];
    inline constexpr ChainAngles ownAngles = {0, 1, 2, 3, 4};

    /// Positions and rotations of every digit of out from out.handAngles, on the model's
    /// geometry; the thumb starts from thumbStart. out.handAngles must hold five digits.
    void SolveHandChains(const Kinematics::BasicHandModel& model, const Kinematics::Quat& thumbStart,
                         const ChainAngles& chainOf, HandPose& out);
}
