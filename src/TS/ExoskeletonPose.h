#pragma once

// The exoskeleton glove's pose path, from its sensor text to the wearer's hand, in the order a
// frame runs it. Every step writes into storage the caller keeps, so a stream of frames through
// one ExoskeletonFrame and one HandPose allocates nothing once they have grown. Reading the
// text from the connection service is the device class's business, not this one's.

#include <string_view>
#include <vector>

#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/TS/TS_GloveInfo.h"
#include "TSCore/TS/TS_GlovePose.h"
#include "TSCore/TS/TS_HandProfile.h"
#include "TSCore/TS/TS_SensorData.h"

namespace TSCore::TS::detail
{
    /// What one frame computes on its way to the hand pose.
    struct ExoskeletonFrame
    {
        TS_SensorData reading;
        TS_GlovePose glovePose;
        /// Per finger the summed linkage angles: (0, total flexion, sideways angle).
        std::vector<Kinematics::Vect3D> totals;
    };

    /// 1. The sensor text ("x:angle groups:orientation:...") into a reading: per finger its
    /// sensor angles, the last one of a group wrapped into [-60, 300] degrees, the others into
    /// (-180, 180]; a value beyond the float range is left out (logged), so the reading is
    /// incomplete. The orientation is the sensor's quaternion times the glove's correction.
    void ReadSensors(std::string_view text, const TS_GloveInfo& glove, TS_SensorData& out);

    /// 2. Per finger list, the five linkage joint angles: (0, 0, a0), fixed, then a1, a2, a3
    /// about y; a missing sensor angle reads as 0.
    void LinkageAngles(const std::vector<std::vector<float>>& sensorAngles,
                       std::vector<std::vector<Kinematics::Vect3D>>& out);

    /// 3. Forward kinematics down the five linkages of pose.gloveAngles (a missing finger rests
    /// with every joint at 0, lists past the fifth are dropped) from the glove's start values.
    void LinkageKinematics(const TS_GloveInfo& glove, TS_GlovePose& pose);

    /// The glove at rest: every joint at 0 except the thumb's first, turned -90 degrees about z
    /// on a right glove (+90 on a left one).
    void IdleLinkage(const TS_GloveInfo& glove, TS_GlovePose& pose);

    /// 4. Per finger the component-wise sum of its linkage angles.
    void SummedAngles(const TS_GlovePose& pose, std::vector<Kinematics::Vect3D>& out);

    /// 5. The hand: the summed angles through the profile's interpolator, then forward
    /// kinematics over the hand model, the thumb from the profile's start rotation. The side is
    /// the profile's; a profile without the interpolation solver gives the idle hand.
    void SolveHand(const std::vector<Kinematics::Vect3D>& totals, const Kinematics::BasicHandModel& model,
                   const TS_HandProfile& profile, HandPose& out);

    /// Steps 1 to 4. False when the reading is incomplete (its values differ in number from the
    /// glove's sensors): frame.reading then holds what was read, the rest is not computed.
    bool GlovePoseFromText(std::string_view text, const TS_GloveInfo& glove, ExoskeletonFrame& frame);
}
