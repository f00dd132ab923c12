#include "TSCore/Kinematics/Vect3D.h"

#include <stdexcept>

#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::Kinematics
{
    std::string Vect3D::ToString() const
    {
        std::string s;
        Util::detail::AppendComponents(s, *this, ", ");
        return s;
    }

    std::string Vect3D::Serialize(char delim) const
    {
        std::string s;
        Util::detail::AppendComponents(s, *this, std::string_view(&delim, 1));
        return s;
    }

    bool Vect3D::Deserialize(std::string text, Vect3D& out, char delim)
    {
        // The documented interface throws on a number outside the float range.
        switch (Util::detail::ReadVect(text, delim, out))
        {
        case Util::detail::ParseStatus::Ok:
            return true;
        case Util::detail::ParseStatus::OutOfRange:
            throw std::out_of_range(Util::detail::floatRangeError);
        case Util::detail::ParseStatus::Invalid:
            break;
        }
        return false;
    }
}
