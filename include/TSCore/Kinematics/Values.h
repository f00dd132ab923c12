#pragma once

#include <cmath>
#include <vector>

#include "TSCore/Export.h"

namespace TSCore::Kinematics
{
    // Defined in Vect3D.h and Quat.h, which include this header; the Vect3D helpers
    // below are defined inline there.
    class Vect3D;
    class Quat;

    /// Numeric helpers: clamping, linear maps, angle wrapping, degree conversion and the
    /// library's tolerant float comparison.
    class TSCORE_API Values
    {
    public:
        static constexpr float Deg2Rad = 0.017453292f;
        static constexpr float Rad2Deg = 57.29578f;
        static constexpr float _2PI = 6.2831855f;

        static constexpr int Clamp(int value, int min, int max) noexcept
        {
            return value < min ? min : (value < max ? value : max);
        }
        static constexpr float Clamp(float value, float min, float max) noexcept
        {
            return min > value ? min : (value > max ? max : value);
        }

        /// Linear map of value from [fromMin, fromMax] onto [toMin, toMax]; not clamped.
        static constexpr float Map(float value, float fromMin, float fromMax, float toMin, float toMax) noexcept
        {
            return (value - fromMin) / (fromMax - fromMin) * (toMax - toMin) + toMin;
        }
        /// The same map, its result then clamped to [outMin, outMax].
        static constexpr float Map(float value, float fromMin, float fromMax, float toMin, float toMax, float outMin,
                                   float outMax) noexcept
        {
            const float r = Map(value, fromMin, fromMax, toMin, toMax);
            return outMin > r ? outMin : (outMax < r ? outMax : r);
        }

        /// Wraps an angle into (-pi, pi]; NaN passes through.
        static float NormalizeAngle(float angle) noexcept
        {
            const float r = std::fmod(angle, _2PI);
            if (static_cast<double>(r) <= -3.141592653589793)
                return r + _2PI;
            if (static_cast<double>(r) > 3.141592653589793)
                return r - _2PI;
            return r;
        }
        /// One wrap toward [lower, upper]: the result can still lie outside a narrower interval.
        static float NormalizeAngle(float angle, float lower, float upper) noexcept
        {
            const float r = std::fmod(angle, _2PI);
            if (lower >= r)
                return r + _2PI;
            if (r > upper)
                return r - _2PI;
            return r;
        }
        static Vect3D NormalizeAngles(Vect3D angles) noexcept;
        static Vect3D Degrees(Vect3D radians) noexcept;
        static Vect3D Radians(Vect3D degrees) noexcept;

        /// |a - b| < 1e-6, computed in single precision.
        static bool FloatEquals(float a, float b) noexcept
        {
            const float d = a - b;
            return static_cast<float>(std::fabs(static_cast<double>(d))) < 1e-6f;
        }

        static bool Equal(const std::vector<Vect3D>& a, const std::vector<Vect3D>& b);
        static bool Equal(const std::vector<Quat>& a, const std::vector<Quat>& b);
        static bool Equal(const std::vector<std::vector<Vect3D>>& a, const std::vector<std::vector<Vect3D>>& b);
        static bool Equal(const std::vector<std::vector<Quat>>& a, const std::vector<std::vector<Quat>>& b);
    };
}
