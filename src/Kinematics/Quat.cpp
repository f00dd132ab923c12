#include "TSCore/Kinematics/Quat.h"

#include "Kinematics/VectorText.h"
#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::Kinematics
{
    Vect3D Quat::ToEuler() const noexcept
    {
        if (IsIdentity())
            return Vect3D(0.0f, 0.0f, 0.0f);
        const float test = x * y + z * w;
        if (test > 0.499f)
            return Vect3D(0.0f, 2.0f * std::atan2(x, w), 1.5707964f);
        if (test < -0.499f)
            return Vect3D(0.0f, -2.0f * std::atan2(x, w), -1.5707964f);
        // The regular branch runs in double precision from the float products.
        const double sqx = x * x;
        const double sqy = y * y;
        const double sqz = z * z;
        const double heading = std::atan2(2.0 * (y * w) - 2.0 * (x * z), 1.0 - 2.0 * sqy - 2.0 * sqz);
        const double attitude = std::asin(2.0 * test);
        const double bank = std::atan2(2.0 * (x * w) - 2.0 * (y * z), 1.0 - 2.0 * sqx - 2.0 * sqz);
        return Vect3D(static_cast<float>(bank), static_cast<float>(heading), static_cast<float>(attitude));
    }

    std::string Quat::ToString() const
    {
        std::string s;
        detail::AppendComponents(s, *this, ", ");
        return s;
    }

    std::string Quat::Serialize(char delim) const
    {
        std::string s;
        detail::AppendComponents(s, *this, std::string_view(&delim, 1));
        return s;
    }

    bool Quat::Deserialize(std::string text, Quat& out, char delim)
    {
        return Util::detail::OkOrThrow(detail::ReadQuat(text, delim, out));
    }
}
