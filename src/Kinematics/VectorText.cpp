#include "Kinematics/VectorText.h"

namespace TSCore::Kinematics::detail
{
    void AppendComponents(std::string& out, const Vect3D& v, std::string_view sep)
    {
        const float values[] = {v.x, v.y, v.z};
        Util::detail::AppendJoined(out, values, 3, sep);
    }

    void AppendComponents(std::string& out, const Quat& q, std::string_view sep)
    {
        const float values[] = {q.x, q.y, q.z, q.w};
        Util::detail::AppendJoined(out, values, 4, sep);
    }

    ParseStatus ReadVect(std::string_view text, char delim, Vect3D& out)
    {
        float v[3];
        const ParseStatus status = Util::detail::ReadComponents(text, delim, v, 3);
        out = status == ParseStatus::Ok ? Vect3D(v[0], v[1], v[2]) : Vect3D();
        return status;
    }

    ParseStatus ReadQuat(std::string_view text, char delim, Quat& out)
    {
        float v[4];
        const ParseStatus status = Util::detail::ReadComponents(text, delim, v, 4);
        out = status == ParseStatus::Ok ? Quat(v[0], v[1], v[2], v[3]) : Quat();
        return status;
    }

    Vect3D ReadVect(FieldReader& reader, std::string_view text, char delim)
    {
        float v[3] = {0.0f, 0.0f, 0.0f};
        reader.Components(text, delim, v, 3);
        return Vect3D(v[0], v[1], v[2]);
    }

    bool ReadQuat(FieldReader& reader, std::string_view text, char delim, Quat& out)
    {
        float v[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        const bool ok = reader.Components(text, delim, v, 4) == ParseStatus::Ok;
        out = Quat(v[0], v[1], v[2], v[3]);
        return ok;
    }
}
