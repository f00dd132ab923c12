#pragma once

// Ctrl-C (SIGINT), SIGTERM and SIGHUP end a running tool cleanly: the handler only sets a flag
// that the loops poll, so that gloves are switched off, segments removed, terminals restored and
// files closed on the normal path.

#include <chrono>

namespace ToolCommon
{
    /// Installs the handler. Also ignores SIGPIPE, so that a closed stdout ends the tool
    /// through a failed write rather than killing it halfway, and SIGTTIN, so that reading the
    /// terminal from the background fails rather than stops the process.
    void InstallStopSignals();
    /// Whether one of the signals arrived since InstallStopSignals.
    bool StopRequested();
    /// What a tool returns after a stop: 143 for SIGTERM and 129 for SIGHUP, whatever was done
    /// (what a process manager expects); 130 for Ctrl-C when the stop loses the result, 0 when
    /// it does not; 0 without a stop.
    int ExitCodeAfterStop(bool resultLost);
    /// Sleeps until end, or less when a stop is requested meanwhile (noticed within 20 ms).
    void SleepUnlessStopped(std::chrono::steady_clock::time_point end);
    /// Sleeps for time (at most a day), or less when a stop is requested meanwhile.
    void SleepUnlessStopped(std::chrono::duration<double> time);
}
