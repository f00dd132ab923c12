#include "TSCore/Kinematics/Vect3D.h"

#include "Kinematics/VectorText.h"
#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::Kinematics
{
    std::string Vect3D::ToString() const
    {
        std::string s;
        detail::AppendComponents(s, *this, ", ");
        return s;
    }

    std::string Vect3D::Serialize(char delim) const
    {
        std::string s;
        detail::AppendComponents(s, *this, std::string_view(&delim, 1));
        return s;
    }

    bool Vect3D::Deserialize(std::string text, Vect3D& out, char delim)
    {
        return Util::detail::OkOrThrow(detail::ReadVect(text, delim, out));
    }
}
