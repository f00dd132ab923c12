#pragma once

// A hand pose as JSON:
// {"right":bool,"fingers":[{"name":"Thumb","jointAngles":[[x,y,z],...],"positions":[[x,y,z],...],
//   "rotations":[[x,y,z,w],...],"normalizedFlexion":f}, ...]}
// Angles in radians, positions in millimetres, as the library holds them.

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>

namespace TSCoreCli
{
    nlohmann::ordered_json PoseToJson(const TSCore::HandPose& pose);
}
