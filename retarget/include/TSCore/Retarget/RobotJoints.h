#pragma once

#include <string>
#include <vector>

namespace TSCore::Retarget
{
    /// A robot hand's joint positions: every movable joint of its URDF (mimic joints
    /// included), by name, in radians (metres for prismatic joints). The two lists have the
    /// same length and order. Filled in place: storage reused from one solve to the next
    /// allocates nothing once it has held a solution.
    struct RobotJoints
    {
        std::vector<std::string> names;
        std::vector<double> positions;
    };
}
