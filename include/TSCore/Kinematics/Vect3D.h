#pragma once

#include <cmath>
#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::Kinematics
{
    /// A point, a length vector (millimetres) or three angles in radians (about x, y, z).
    class TSCORE_API Vect3D
    {
    public:
        float x;
        float y;
        float z;

        constexpr Vect3D() noexcept : x(0.0f), y(0.0f), z(0.0f) {}
        constexpr Vect3D(float x, float y, float z) noexcept : x(x), y(y), z(z) {}

        constexpr Vect3D operator+(Vect3D const& b) const noexcept { return Vect3D(x + b.x, y + b.y, z + b.z); }
        constexpr Vect3D operator-(Vect3D const& b) const noexcept { return Vect3D(x - b.x, y - b.y, z - b.z); }
        constexpr Vect3D operator*(float const& s) const noexcept { return Vect3D(x * s, y * s, z * s); }

        void Scale(float s) noexcept
        {
            x *= s;
            y *= s;
            z *= s;
        }
        float Magnitude() const noexcept { return std::sqrt(x * x + y * y + z * z); }
        float DistTo(Vect3D b) const noexcept { return (b - *this).Magnitude(); }
        /// Divides by the magnitude; a zero vector becomes NaN.
        void Normalize() noexcept
        {
            const float m = Magnitude();
            x /= m;
            y /= m;
            z /= m;
        }

        bool Equals(Vect3D b) const noexcept
        {
            return Values::FloatEquals(x, b.x) && Values::FloatEquals(y, b.y) && Values::FloatEquals(z, b.z);
        }

        /// "x, y, z", each number with six decimals.
        std::string ToString() const;
        /// x, d, y, d, z with six decimals each, nothing around.
        std::string Serialize(char delim) const;
        /// Reads the first three fields of text split at delim; false and (0, 0, 0) when
        /// the text is empty or has fewer than three fields. A field beyond the float range
        /// throws std::out_of_range, as StrStuff::ToFloat does.
        static bool Deserialize(std::string text, Vect3D& out, char delim);

        static const Vect3D zero;
    };

    inline constexpr Vect3D Vect3D::zero{0.0f, 0.0f, 0.0f};

    inline Vect3D Values::NormalizeAngles(Vect3D a) noexcept
    {
        return Vect3D(NormalizeAngle(a.x), NormalizeAngle(a.y), NormalizeAngle(a.z));
    }
    inline Vect3D Values::Degrees(Vect3D r) noexcept { return Vect3D(r.x * Rad2Deg, r.y * Rad2Deg, r.z * Rad2Deg); }
    inline Vect3D Values::Radians(Vect3D d) noexcept { return Vect3D(d.x * Deg2Rad, d.y * Deg2Rad, d.z * Deg2Rad); }
}
