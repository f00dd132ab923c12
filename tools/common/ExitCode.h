#pragma once

// One scheme of exit codes for every tool: a code means the same thing whichever tool returns
// it, and each tool's --help lists the codes it returns, from the one table in ExitCode.cpp.

#include <string>

namespace ToolCommon
{
    /// The tools with exit codes of their own.
    enum class Tool
    {
        tscore,
        bridge,
        simulator,
    };

    namespace ExitCodes
    {
        enum ExitCode : int
        {
            exitOk = 0,
            exitInternal = 1,       ///< an unexpected error, or the shared memory cannot be created
            exitUsage = 2,          ///< bad or missing arguments
            exitNoService = 3,      ///< the connection service is not running, or not updating
            exitNoGlove = 4,        ///< no (matching, connected) glove, or it is disconnected
            exitCannotRead = 5,     ///< an input file cannot be read or holds no usable data
            exitCannotWrite = 6,    ///< an output file cannot be written
            exitNoReading = 7,      ///< the glove gave no complete sensor reading in time
            exitNotSent = 8,        ///< a haptic command could not be written, or the glove cannot play it
            exitInvalid = 9,        ///< a pose or calibration that would hold no valid numbers
            exitNetwork = 10,       ///< the network cannot be used: no port to listen on, DDS cannot start
            exitSegmentsOwned = 11, ///< another connection service owns the segments, or took them over
            exitCrashed = 12,       ///< the crash that tesslink-sim --crash-after asks for
            exitHungUp = 129,       ///< SIGHUP
            exitInterrupted = 130,  ///< Ctrl-C, where that loses the result
            exitTerminated = 143,   ///< SIGTERM
        };
    }

    /// "Exit codes:" and one line per code that tool returns, fitted to 80 columns, for the
    /// footer of its --help.
    std::string ExitCodeHelp(Tool tool);
}
