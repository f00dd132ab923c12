#pragma once

// A hand pose as OpenXR hand-tracking joints, as JSON:
// {"right":bool,"isActive":bool,"state":{"service","stampAge","connected"},
//  "joints":[{"name":"XR_HAND_JOINT_PALM_EXT","locationFlags":15,"position":[x,y,z],
//             "orientation":[x,y,z,w],"radius":r}, ... 26 in the extension's order]}
// Metres, relative to the wrist: -Z toward the fingers, +Y out of the back of the hand. The
// flags and isActive follow the glove's state as the OpenXR layer gives them
// (OpenXRHand::TrackingOf): 15 while live, 3 (valid, not tracked) while the service has not
// updated for 3 s to 10 s, 0 and isActive false when disconnected or stopped. Every number is
// the shortest text that reads back as the converter's float.

#include <string>

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>

#include "LiveState.h"

namespace TSCoreCli
{
    nlohmann::ordered_json OpenXRToJson(const TSCore::HandPose& pose, bool right, const GloveState& state);

    /// One line of JSON whose fractional numbers, all floats widened to double, are printed as
    /// the shortest text that reads back as the float (-0.0088, never -0.008800000883638859 nor
    /// a longer double text: the JSON library's own printer does not always find the shortest).
    std::string DumpFloats(const nlohmann::ordered_json& value);
}
