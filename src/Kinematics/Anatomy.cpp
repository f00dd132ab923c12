#include "TSCore/Kinematics/Anatomy.h"

namespace TSCore::Kinematics
{
    namespace
    {
        constexpr float d = Values::Deg2Rad;
        constexpr float pi = 3.1415927f;

        float Lookup(const float (&table)[3][3][2], bool right, int joint, int axis, bool upper) noexcept
        {
            if (joint < 0 || joint > 2 || axis < 0 || axis > 2)
                return 0.0f;
            // Flexion (axis 1) is the same for both hands; x and z are mirrored for the left.
            if (!right && axis != 1)
                return -table[joint][axis][upper ? 0 : 1];
            return table[joint][axis][upper ? 1 : 0];
        }
    }

    // Constant-initialised: other translation units may read these during their own
    // static initialisation.
    const float Anatomy::fingerLimits[3][3][2] = {
        {{-5 * d, 5 * d}, {-30 * d, 90 * d}, {-20 * d, 20 * d}},
        {{-pi, pi}, {0 * d, 100 * d}, {-pi, pi}},
        {{-pi, pi}, {-5 * d, 90 * d}, {-pi, pi}},
    };

    const float Anatomy::thumbLimits[3][3][2] = {
        {{-pi, pi}, {-65 * d, 25 * d}, {-20 * d, 70 * d}},
        {{-pi, pi}, {0 * d, 80 * d}, {-pi, pi}},
        {{-pi, pi}, {-10 * d, 90 * d}, {-pi, pi}},
    };

    float Anatomy::GetFingerJointLimit(bool right, int joint, int axis, bool upper) noexcept
    {
        return Lookup(fingerLimits, right, joint, axis, upper);
    }

    float Anatomy::GetThumbJointLimit(bool right, int joint, int axis, bool upper) noexcept
    {
        return Lookup(thumbLimits, right, joint, axis, upper);
    }
}
