#pragma once

// Exit codes and the one-line error form shared by every subcommand. Every message says
// what to do next.

#include <string>

namespace TSCoreCli
{
    enum ExitCode : int
    {
        exitOk = 0,
        exitInternal = 1,      ///< an unexpected error inside the tool
        exitUsage = 2,         ///< bad or missing arguments
        exitNoService = 3,     ///< the connection service is not running, or not updating
        exitNoGlove = 4,       ///< no (matching, connected) glove, or it is disconnected
        exitCannotRead = 5,    ///< an input file cannot be read or holds no usable data
        exitCannotWrite = 6,   ///< an output file cannot be written
        exitNoReading = 7,     ///< the glove gave no complete sensor reading in time
        exitNotSent = 8,       ///< a haptic command could not be written, or the glove cannot play it
        exitInvalid = 9,       ///< a pose or calibration that would hold no valid numbers
        exitCannotListen = 10, ///< the view cannot listen on the address and port asked for
        exitRetarget = 11,     ///< a robot hand's retargeting configuration cannot be used
        exitInterrupted = 130,
        exitTerminated = 143,
    };

    /// The --help footer that documents the codes above.
    extern const char* const exitCodeHelp;

    /// Prints "tscore: message" on stderr and returns code.
    int Fail(int code, const std::string& message);
    /// Prints "tscore: warning: message" on stderr.
    void Warn(const std::string& message);

    /// exitCannotWrite with a message when path exists and --force was not given.
    int RefuseExisting(const std::string& path, bool force);

    /// The service is not running: how to start one.
    int FailNoService();
}
