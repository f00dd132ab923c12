#pragma once

#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/HandInterpolator.h"

namespace TSCore::Kelvo
{
    /// Calibration profile of a second-model glove: the hand side and the interpolator that
    /// maps the glove's raw readings to joint angles.
    class TSCORE_API Kelvo_Profile
    {
    public:
        bool isRight;
        Kinematics::HandInterpolator interpolator;

        /// Right hand, an interpolator without sets; use Default for a usable profile.
        Kelvo_Profile();
        Kelvo_Profile(bool isRight, Kinematics::HandInterpolator interpolator);
        Kelvo_Profile(const Kelvo_Profile& other) = default;
        Kelvo_Profile(Kelvo_Profile&& other) noexcept = default;
        Kelvo_Profile& operator=(const Kelvo_Profile& other) = default;
        Kelvo_Profile& operator=(Kelvo_Profile&& other) noexcept = default;
        ~Kelvo_Profile() = default;

        /// The default interpolator of that hand with every input range set to 0 .. 1000, the
        /// uncalibrated span of a raw reading.
        static Kelvo_Profile Default(bool right);

        bool Equals(Kelvo_Profile other) const;

        /// {R|L}{interpolator}
        std::string Serialize() const;
        /// Reads what Serialize writes; Default(true) for a short or unreadable text.
        static Kelvo_Profile Deserialize(std::string text);
    };
}
