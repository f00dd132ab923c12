#include "Util/BlockWriter.h"

namespace TSCore::Util::detail
{
    namespace
    {
        template <std::size_t N>
        void AppendJoined(std::string& out, const float (&values)[N], std::string_view sep)
        {
            for (std::size_t i = 0; i < N; ++i)
            {
                if (i > 0)
                    out += sep;
                AppendNumber(out, values[i]);
            }
        }
    }

    void AppendComponents(std::string& out, const Kinematics::Vect3D& v, std::string_view sep)
    {
        const float values[] = {v.x, v.y, v.z};
        AppendJoined(out, values, sep);
    }

    void AppendComponents(std::string& out, const Kinematics::Quat& q, std::string_view sep)
    {
        const float values[] = {q.x, q.y, q.z, q.w};
        AppendJoined(out, values, sep);
    }
}
