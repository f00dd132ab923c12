#pragma once

#include <cmath>
#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics
{
    /// A rotation as a quaternion; w is the scalar part. Meant to be unit length, never
    /// normalised by the library.
    class TSCORE_API Quat
    {
    public:
        float x;
        float y;
        float z;
        float w;

        constexpr Quat() noexcept : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
        constexpr Quat(float x, float y, float z, float w) noexcept : x(x), y(y), z(z), w(w) {}

        /// Hamilton product: (a * b) turns a vector first by b, then by a.
        constexpr Quat operator*(Quat const& b) const noexcept
        {
            return Quat(w * b.x + x * b.w + y * b.z - z * b.y, w * b.y - x * b.z + y * b.w + z * b.x,
                        w * b.z + x * b.y - y * b.x + z * b.w, w * b.w - x * b.x - y * b.y - z * b.z);
        }
        Vect3D operator*(Vect3D const& v) const noexcept { return Rotate(v); }

        /// v turned by this rotation; a non-unit quaternion also scales it by |q|^2.
        Vect3D Rotate(Vect3D v) const noexcept
        {
            if (IsIdentity())
                return v;
            const Quat p = *this * Quat(v.x, v.y, v.z, 0.0f);
            const Quat r = p * Quat(-x, -y, -z, w);
            return Vect3D(r.x, r.y, r.z);
        }

        bool IsIdentity() const noexcept { return Equals(Quat(0.0f, 0.0f, 0.0f, 1.0f)); }
        bool Equals(Quat b) const noexcept
        {
            return Values::FloatEquals(x, b.x) && Values::FloatEquals(y, b.y) && Values::FloatEquals(z, b.z) &&
                   Values::FloatEquals(w, b.w);
        }

        /// (bank, heading, attitude): the decomposition q = qy * qz * qx, which is not the
        /// order FromEuler composes.
        Vect3D ToEuler() const noexcept;

        /// "x, y, z, w", each number with six decimals.
        std::string ToString() const;
        /// x, d, y, d, z, d, w with six decimals each.
        std::string Serialize(char delim) const;
        /// Reads four fields of text split at delim; false and the identity when the text is
        /// empty or has fewer than four fields. A field beyond the float range throws
        /// std::out_of_range, as StrStuff::ToFloat does.
        static bool Deserialize(std::string text, Quat& out, char delim);

        /// Rotation by angle (radians) about the axis, which is not normalised.
        static Quat FromAngleAxis(float angle, float ax, float ay, float az) noexcept
        {
            const float s = std::sin(angle / 2.0f);
            const float c = std::cos(angle / 2.0f);
            return Quat(s * ax, s * ay, s * az, c);
        }
        static Quat FromAngleAxis(float angle, Vect3D axis) noexcept
        {
            return FromAngleAxis(angle, axis.x, axis.y, axis.z);
        }

        /// Rotation about fixed axes: x first, then y, then z.
        static Quat FromEuler(float ax, float ay, float az) noexcept
        {
            if (ax == 0.0f && ay == 0.0f && az == 0.0f)
                return Quat();
            const Quat qx = ax == 0.0f ? Quat() : FromAngleAxis(ax, 1.0f, 0.0f, 0.0f);
            const Quat qy = ay == 0.0f ? Quat() : FromAngleAxis(ay, 0.0f, 1.0f, 0.0f);
            const Quat qz = az == 0.0f ? Quat() : FromAngleAxis(az, 0.0f, 0.0f, 1.0f);
            return (qz * qy) * qx;
        }
        static Quat FromEuler(Vect3D angles) noexcept { return FromEuler(angles.x, angles.y, angles.z); }

        /// The conjugate (the inverse of a unit quaternion); no division by the norm.
        static constexpr Quat Invert(Quat q) noexcept { return Quat(-q.x, -q.y, -q.z, q.w); }

        static const Quat identity;
    };

    inline constexpr Quat Quat::identity{0.0f, 0.0f, 0.0f, 1.0f};
}
