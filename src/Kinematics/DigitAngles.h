#pragma once

// The joint angles of a digit from its sensor angles through the interpolator, into the
// caller's storage, so that a pose reused from frame to frame allocates nothing. Every glove
// family's pose and HandInterpolator's own Interpolate*Angles go through these.

#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics::detail
{
    /// The thumb chain's start rotation of an uncalibrated or idle hand: -90 degrees about x
    /// for a right hand, +90 for a left one.
    Quat DefaultThumbStartRotation(bool right);

    /// Joint angles (three triples) of the thumb from its sensor angles: twist and spread from
    /// z, flexion of each joint from y. A set the interpolator lacks gives 0.
    void InterpolateThumb(const HandInterpolator& interpolator, Vect3D sensor, std::vector<Vect3D>& joints);
    /// Joint angles of a finger: spread of the first joint from z, flexion of each from y.
    void InterpolateFinger(Finger finger, const HandInterpolator& interpolator, Vect3D sensor,
                           std::vector<Vect3D>& joints);
}
