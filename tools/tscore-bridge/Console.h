#pragma once

// What the tool prints and returns: one line per note on stderr, "ready" and the final
// statistics on stdout, and an exit code per kind of failure.

#include <chrono>
#include <string>

namespace TSCoreBridge
{
    inline constexpr int exitOk = 0;
    inline constexpr int exitInternal = 1;
    inline constexpr int exitUsage = 2;
    inline constexpr int exitNetwork = 3;
    inline constexpr int exitServiceOwned = 4;
    inline constexpr int exitCannotRead = 5;
    inline constexpr int exitRetarget = 6;

    inline constexpr char exitCodeHelp[] = "Exit codes:\n"
                                           "  0  stopped by a signal, after a clean shutdown\n"
                                           "  1  internal error\n"
                                           "  2  bad arguments\n"
                                           "  3  DDS could not start (configuration in CYCLONEDDS_URI, network)\n"
                                           "  4  another connection service runs on this machine (mirror)\n"
                                           "  5  input file unreadable\n"
                                           "  6  a --retarget configuration cannot be used, or this build has none";

    /// How often --verbose prints the statistics.
    inline constexpr auto statsInterval = std::chrono::seconds(5);

    /// Prints "tscore-bridge: message" on stderr and returns code.
    int Fail(int code, const std::string& message);
    /// Prints "tscore-bridge: message" on stderr.
    void Note(const std::string& message);
}
