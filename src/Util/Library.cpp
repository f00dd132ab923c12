#include "TSCore/Util/Library.h"

namespace TSCore
{
    // TSCORE_VERSION comes from the build, which takes it from the project's one version.
    std::string Library::Version() { return "TSCore C++ Library v" TSCORE_VERSION; }
}
