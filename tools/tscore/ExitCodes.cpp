#include "ExitCodes.h"

#include <filesystem>
#include <iostream>

namespace TSCoreCli
{
    const char* const exitCodeHelp = "Exit codes:\n"
                                     "  0    success\n"
                                     "  1    unexpected internal error\n"
                                     "  2    bad or missing arguments\n"
                                     "  3    the connection service is not running, or not updating its time stamp\n"
                                     "  4    no connected glove found (or none of the requested side or index), or\n"
                                     "       the glove is disconnected\n"
                                     "  5    an input file cannot be read, or is not of the expected kind\n"
                                     "  6    an output file cannot be written\n"
                                     "  7    no complete sensor reading from the glove\n"
                                     "  8    a haptic command could not be written, or the glove cannot play it\n"
                                     "  9    the pose or calibration would not be valid\n"
                                     "  10   the view cannot listen on the address and port given\n"
                                     "  11   a robot hand's retargeting configuration (--retarget) cannot be used\n"
                                     "  130  interrupted (Ctrl-C) where that loses the result\n"
                                     "  143  terminated (SIGTERM)";

    int Fail(int code, const std::string& message)
    {
        std::cerr << "tscore: " << message << std::endl;
        return code;
    }

    void Warn(const std::string& message) { std::cerr << "tscore: warning: " << message << std::endl; }

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
