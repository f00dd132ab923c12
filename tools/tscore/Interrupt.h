#pragma once

// Ctrl-C (SIGINT) and SIGTERM end a running subcommand cleanly: the handler only sets a flag
// that the loops poll, so terminals are restored and files closed on the normal path. A
// terminal that changes size (SIGWINCH) is noted for the live views.

namespace TSCoreCli
{
    void InstallInterruptHandler();
    bool Interrupted();
    /// After an interruption: 143 for SIGTERM, 130 for Ctrl-C.
    int InterruptedExitCode();
    /// Whether SIGTERM ended the run; a process manager expects 143 whatever was done.
    bool Terminated();
    /// True once after each change of the terminal's size.
    bool TerminalResized();
    /// Sleeps up to seconds, returning early when interrupted.
    void SleepFor(double seconds);
}
