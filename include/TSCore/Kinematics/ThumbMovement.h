#pragma once

namespace TSCore::Kinematics
{
    /// Index into the interpolation sets of the thumb.
    enum class ThumbMovement : int
    {
        CMCTwist = 0,     ///< x of joint 0, from the sensor z
        CMCFlexion = 1,   ///< y of joint 0, from the sensor y
        CMCAbduction = 2, ///< z of joint 0, from the sensor z
        MCPFlexion = 3,   ///< y of joint 1, from the sensor y
        IPFlexion = 4,    ///< y of joint 2, from the sensor y
    };
}
