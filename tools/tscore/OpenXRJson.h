#pragma once

// A hand pose as OpenXR hand-tracking joints, as JSON:
// {"right":bool,"isActive":bool,"joints":[{"name":"XR_HAND_JOINT_PALM_EXT","locationFlags":15,
//   "position":[x,y,z],"orientation":[x,y,z,w],"radius":r}, ... 26 in the extension's order]}
// Metres, relative to the wrist: -Z toward the fingers, +Y out of the back of the hand.

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>

namespace TSCoreCli
{
    /// complete: the glove answered the pose from a complete reading.
    nlohmann::ordered_json OpenXRToJson(const TSCore::HandPose& pose, bool right, bool complete);
}
