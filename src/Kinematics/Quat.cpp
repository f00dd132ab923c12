#include "TSCore/Kinematics/Quat.h"

#include "TSCore/Util/StrStuff.h"
#include "Util/NumberParse.h"
#include "Util/SplitView.h"
#include "Util/NumberFormat.h"
#include "Util/FieldAt.h"

namespace TSCore::Kinematics
{
    using Util::detail::AppendNumber;

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
        s.reserve(48);
        AppendNumber(s, x);
        s += ", ";
        AppendNumber(s, y);
        s += ", ";
        AppendNumber(s, z);
        s += ", ";
        AppendNumber(s, w);
        return s;
    }

    std::string Quat::Serialize(char delim) const
    {
        std::string s;
        s.reserve(40);
        AppendNumber(s, x);
        s += delim;
        AppendNumber(s, y);
        s += delim;
        AppendNumber(s, z);
        s += delim;
        AppendNumber(s, w);
        return s;
    }

    bool Quat::Deserialize(std::string text, Quat& out, char delim)
    {
        out = Quat();
        if (text.empty())
            return false;
        const std::vector<std::string_view> parts = Util::detail::SplitViews(text, delim);
        if (parts.size() < 4)
            return false;
        using Util::detail::FieldAt;
        out = Quat(Util::detail::ToFloat(FieldAt(parts, 0), 0.0f), Util::detail::ToFloat(FieldAt(parts, 1), 0.0f),
                   Util::detail::ToFloat(FieldAt(parts, 2), 0.0f), Util::detail::ToFloat(FieldAt(parts, 3), 0.0f));
        return true;
    }
}
