#pragma once

// The hand pose of one sensor text. Streams, single reads and recordings all compute their
// poses here, through the library's own pose of a text, so that a recorded text gives the pose
// the live glove gave.

#include "Bindings.h"

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandProfile.h>

#include <string_view>

namespace tscore_py
{
    /// The pose of a complete reading of the glove on model (nullptr: the default hand of the
    /// glove's side), with the reading's orientation when withOrientation (a second parse of
    /// the text); nullptr for a text that is not one. A complete reading widens the glove's
    /// calibration range, as the glove's GetHandPose does.
    HandPosePtr PoseOfText(TSCore::HapticGlove& glove, std::string_view text, const TSCore::HandProfile& profile,
                           const TSCore::Kinematics::BasicHandModel* model, bool withOrientation);
}
