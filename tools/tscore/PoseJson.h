#pragma once

// A hand pose as JSON, one object:
// {"device":{"id","kind","key"},"side":"right","right":true,"time":SECONDS,"valid":bool,
//  "invalidFingers":[...],"state":{"service","stampAge","connected","word"},"units":{...},
//  "orientation":[x,y,z,w]|null,
//  "fingers":[{"name":"Thumb","joints":["CMC","MCP","IP"],"jointAngles":[[twist,flexion,spread],...],
//              "positions":[[x,y,z],...],"rotations":[[x,y,z,w],...],"normalizedFlexion":f}, ...]}
// Angles in radians, positions in millimetres, as the library holds them; every number as the
// shortest text that reads back as the library's float. Numbers that are not finite are null.

#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/Quat.h>

#include "LiveState.h"

namespace TSCoreCli
{
    /// Where a pose came from; fields left empty are left out.
    struct PoseSource
    {
        std::string deviceId;
        std::string kind;
        std::string key;
        double time = 0.0; ///< seconds since 1970-01-01 UTC of the reading; 0: unknown
        std::optional<TSCore::Kinematics::Quat> orientation;
        std::optional<GloveState> state;
    };

    nlohmann::ordered_json PoseToJson(const TSCore::HandPose& pose, const PoseSource& source);

    /// The float's own shortest text read back as a double (-16.6, not -16.599998474121094);
    /// null when it is not finite.
    nlohmann::ordered_json Number(float value);

    /// {"service":"running"|"stale"|"stopped","stampAge":SECONDS|null,"connected":bool}
    nlohmann::ordered_json StateToJson(const GloveState& state);

    /// The current time as seconds since 1970-01-01 UTC, to the millisecond.
    double NowSeconds();
    /// A moment as seconds since 1970-01-01 UTC, to the millisecond.
    double WallSeconds(std::chrono::system_clock::time_point at);
}
