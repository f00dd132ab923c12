#pragma once

#include <string>

#include "TSCore/Export.h"

namespace TSCore
{
    /// Library-wide facts.
    class TSCORE_API Library
    {
    public:
        /// "TSCore C++ Library v1.1.1"
        static std::string Version();
    };
}
