#pragma once

// The hand pose of one sensor text, through the glove's public parsers and solvers. A stream
// of poses and a recording both compute their poses here: a stream must know which text each
// pose came from (HapticGlove::GetHandPose reads its text itself and does not say which), and
// a recorded text must give the pose the live glove gave.

#include "Bindings.h"

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandProfile.h>

#include <string>

namespace tscore_py
{
    /// The pose of a complete reading of the glove, with the reading's orientation; nullptr for
    /// a text that is not one. Like GetHandPose, a complete reading widens the glove's
    /// calibration range.
    HandPosePtr PoseOfText(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                           const TSCore::Kinematics::BasicHandModel& model);
}
