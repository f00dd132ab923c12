#include "Util/BlockWriter.h"

namespace TSCore::Util::detail
{
    void AppendJoined(std::string& out, const float* values, std::size_t count, std::string_view sep)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            if (i > 0)
                out += sep;
            AppendNumber(out, values[i]);
        }
    }
}
