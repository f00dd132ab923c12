#pragma once

namespace TSCore::Kinematics
{
    /// Index into the interpolation sets of a finger (index to pinky).
    enum class FingerMovement : int
    {
        MCPFlexion = 0,   ///< y of joint 0, from the sensor y
        MCPAbduction = 1, ///< z of joint 0, from the sensor z
        PIPFlexion = 2,   ///< y of joint 1, from the sensor y
        DIPFlexion = 3,   ///< y of joint 2, from the sensor y
    };
}
