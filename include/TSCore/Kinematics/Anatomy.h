#pragma once

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::Kinematics
{
    /// Anatomical range of motion of the finger and thumb joints (right-hand values; the
    /// left hand is mirrored in x and z by the lookups) and the summed flexion of a digit.
    class TSCORE_API Anatomy
    {
    public:
        static constexpr float totalFingerFlexion = 280.0f * Values::Deg2Rad;
        static constexpr float totalFingerExtension = 0.0f * Values::Deg2Rad;
        static constexpr float totalThumbFlexion = 150.0f * Values::Deg2Rad;
        static constexpr float totalThumbExtension = -30.0f * Values::Deg2Rad;

        /// Limit of a finger joint (0..2, from the hand outward) about an axis (0 x twist,
        /// 1 y flexion, 2 z spread), in radians; 0 for an index outside the table.
        static float GetFingerJointLimit(bool right, int joint, int axis, bool upper) noexcept;
        /// The same for the thumb (CMC, MCP, IP).
        static float GetThumbJointLimit(bool right, int joint, int axis, bool upper) noexcept;

    private:
        static constexpr int LIMIT_MIN = 0;
        static constexpr int LIMIT_MAX = 1;
        // [joint][axis][bound]
        static const float fingerLimits[3][3][2];
        static const float thumbLimits[3][3][2];
    };
}
