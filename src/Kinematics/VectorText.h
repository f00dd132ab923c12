#pragma once

// Vectors and quaternions in the block text: their components joined by a delimiter, read
// and written through the storage code's one reader and writer of each element type.

#include <string>
#include <string_view>

#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::Kinematics::detail
{
    using Util::detail::FieldReader;
    using Util::detail::ParseStatus;

    /// The components joined by sep, each with six decimals: "x;y;z" or "x, y, z".
    void AppendComponents(std::string& out, const Vect3D& v, std::string_view sep);
    void AppendComponents(std::string& out, const Quat& q, std::string_view sep);

    /// Vect3D::Deserialize's rules: Ok, or Invalid with (0, 0, 0) for an empty text or fewer than
    /// three fields; OutOfRange (out (0, 0, 0)) when a field is a number outside the float range.
    ParseStatus ReadVect(std::string_view text, char delim, Vect3D& out);
    /// The same with four fields and the identity.
    ParseStatus ReadQuat(std::string_view text, char delim, Quat& out);

    /// Vect3D::Deserialize of the text with delim through reader; (0, 0, 0) when unreadable.
    Vect3D ReadVect(FieldReader& reader, std::string_view text, char delim);
    /// Quat::Deserialize of the text through reader; false (and the identity) when it has too
    /// few values.
    bool ReadQuat(FieldReader& reader, std::string_view text, char delim, Quat& out);
}

namespace TSCore::Util::detail
{
    template <>
    struct ItemWriter<Kinematics::Vect3D>
    {
        static void Append(std::string& out, const Kinematics::Vect3D& v)
        {
            Kinematics::detail::AppendComponents(out, v, ";");
        }
    };

    template <>
    struct ItemWriter<Kinematics::Quat>
    {
        static void Append(std::string& out, const Kinematics::Quat& q)
        {
            Kinematics::detail::AppendComponents(out, q, ";");
        }
    };

    template <>
    struct ItemReader<Kinematics::Vect3D>
    {
        static void Read(FieldReader& reader, std::string_view text, Kinematics::Vect3D& out)
        {
            out = Kinematics::detail::ReadVect(reader, text, ';');
        }
    };

    template <>
    struct ItemReader<Kinematics::Quat>
    {
        static void Read(FieldReader& reader, std::string_view text, Kinematics::Quat& out)
        {
            Kinematics::detail::ReadQuat(reader, text, ';', out);
        }
    };
}
