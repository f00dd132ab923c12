#pragma once

// One naming of the joint angles for every view (pose, watch, JSON, README): joints CMC, MCP,
// IP for the thumb and MCP, PIP, DIP for the fingers, from the hand outwards; angles twist (x,
// about the bone), flexion (y, toward the palm) and spread (z, sideways), in degrees on
// screen and in radians in JSON.

#include <cstddef>
#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/Quat.h>

namespace TSCoreCli
{
    /// "Thumb" .. "Pinky"; "Finger5" for a list the hand does not have.
    std::string FingerName(std::size_t finger);
    /// CMC, MCP, IP for the thumb; MCP, PIP, DIP otherwise.
    const char* JointName(std::size_t finger, std::size_t joint);
    /// The angles of a joint in the order the library holds them: twist, flexion, spread.
    extern const char* const angleNames[3];

    /// What the angle columns mean, for the line above them.
    extern const char* const angleUnitsNote;
    /// Column titles that line up with AngleColumns.
    std::string AngleColumnsHeader();
    /// "CMC      -22     -6    12  MCP       13  IP        30": the first joint's flexion,
    /// spread and twist, then the flexion of the other two, in whole degrees (53 characters).
    std::string AngleColumns(const TSCore::HandPose& pose, std::size_t finger);

    /// "x 0.000  y 0.000  z 0.259  w 0.966".
    std::string QuaternionText(const TSCore::Kinematics::Quat& q);
}
