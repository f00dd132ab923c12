#pragma once

#include <limits>
#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::Kinematics
{
    /// A linear map from an input range of sensor angle to an output range of joint angle,
    /// clamped to limits (radians). Unlimited bounds are the most negative / positive floats.
    class TSCORE_API InterpolationSet
    {
    public:
        float inStart;
        float inEnd;
        float outStart;
        float outEnd;
        float lowerLimit;
        float upperLimit;

        static constexpr float noLowerLimit = -std::numeric_limits<float>::max();
        static constexpr float noUpperLimit = std::numeric_limits<float>::max();

        /// The identity map on [0, 1], unclamped.
        constexpr InterpolationSet() noexcept
            : inStart(0.0f), inEnd(1.0f), outStart(0.0f), outEnd(1.0f), lowerLimit(noLowerLimit),
              upperLimit(noUpperLimit)
        {
        }
        constexpr InterpolationSet(float inStart, float inEnd, float outStart, float outEnd) noexcept
            : inStart(inStart), inEnd(inEnd), outStart(outStart), outEnd(outEnd), lowerLimit(noLowerLimit),
              upperLimit(noUpperLimit)
        {
        }
        constexpr InterpolationSet(float inStart, float inEnd, float outStart, float outEnd, float lowerLimit,
                                   float upperLimit) noexcept
            : inStart(inStart), inEnd(inEnd), outStart(outStart), outEnd(outEnd), lowerLimit(lowerLimit),
              upperLimit(upperLimit)
        {
        }

        /// The mapped value; wrapped into (-pi, pi] when normalize, then clamped when clamp.
        float Get(float value, bool clamp, bool normalize) const noexcept
        {
            float r = Values::Map(value, inStart, inEnd, outStart, outEnd);
            if (normalize)
                r = Values::NormalizeAngle(r);
            if (clamp)
                r = Values::Clamp(r, lowerLimit, upperLimit);
            return r;
        }

        bool Equals(InterpolationSet other) const noexcept
        {
            return Values::FloatEquals(inStart, other.inStart) && Values::FloatEquals(inEnd, other.inEnd) &&
                   Values::FloatEquals(outStart, other.outStart) && Values::FloatEquals(outEnd, other.outEnd) &&
                   Values::FloatEquals(lowerLimit, other.lowerLimit) &&
                   Values::FloatEquals(upperLimit, other.upperLimit);
        }

        /// The six fields joined by ';', unbounded limits written "m" and "M".
        std::string Serialize() const;
        /// Reads what Serialize writes; the default set for fewer than four fields.
        static InterpolationSet Deserialize(std::string text);

        std::string ToString() const;
        /// "[inStart .. inEnd] -> [outStart .. outEnd]", with " (lower .. upper)" when withLimits.
        std::string ToString(bool withLimits) const;
    };
}
