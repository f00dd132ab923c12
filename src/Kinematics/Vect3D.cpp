#include "TSCore/Kinematics/Vect3D.h"

#include "TSCore/Util/StrStuff.h"
#include "Util/NumberFormat.h"
#include "Util/FieldAt.h"

namespace TSCore::Kinematics
{
    using Util::detail::AppendNumber;

    std::string Vect3D::ToString() const
    {
        std::string s;
        s.reserve(36);
        AppendNumber(s, x);
        s += ", ";
        AppendNumber(s, y);
        s += ", ";
        AppendNumber(s, z);
        return s;
    }

    std::string Vect3D::Serialize(char delim) const
    {
        std::string s;
        s.reserve(32);
        AppendNumber(s, x);
        s += delim;
        AppendNumber(s, y);
        s += delim;
        AppendNumber(s, z);
        return s;
    }

    bool Vect3D::Deserialize(std::string text, Vect3D& out, char delim)
    {
        out = Vect3D();
        if (text.empty())
            return false;
        const std::vector<std::string> parts = Util::StrStuff::Split(std::move(text), delim);
        if (parts.size() < 3)
            return false;
        using Util::detail::FieldAt;
        out = Vect3D(Util::StrStuff::ToFloat(FieldAt(parts, 0), 0.0f), Util::StrStuff::ToFloat(FieldAt(parts, 1), 0.0f),
                     Util::StrStuff::ToFloat(FieldAt(parts, 2), 0.0f));
        return true;
    }
}
