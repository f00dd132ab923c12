#include "Util/BlockWriter.h"

namespace TSCore::Util::detail
{
    void AppendComponents(std::string& out, const Kinematics::Vect3D& v, std::string_view sep)
    {
        AppendNumber(out, v.x);
        out += sep;
        AppendNumber(out, v.y);
        out += sep;
        AppendNumber(out, v.z);
    }

    void AppendComponents(std::string& out, const Kinematics::Quat& q, std::string_view sep)
    {
        AppendNumber(out, q.x);
        out += sep;
        AppendNumber(out, q.y);
        out += sep;
        AppendNumber(out, q.z);
        out += sep;
        AppendNumber(out, q.w);
    }
}
