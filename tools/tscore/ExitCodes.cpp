#include "ExitCodes.h"

#include <filesystem>

namespace TSCoreCli
{
    int RefuseExisting(const std::string& path, bool force)
    {
        if (path == "-" || force || !std::filesystem::exists(path))
            return exitOk;
        return Fail(exitCannotWrite, path + " exists; give --force to replace it, or another --out");
    }

    int FailNoService()
    {
        return Fail(exitNoService, "the connection service is not running. Start it, or simulate a glove with "
                                   "`tesslink-sim --tessara right &`, then try again");
    }
}
