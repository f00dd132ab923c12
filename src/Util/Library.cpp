#include "TSCore/Util/Library.h"

namespace TSCore
{
    std::string Library::Version()
    {
        return "TSCore C++ Library v1.1.1";
    }
}
