#pragma once

// Ctrl-C (SIGINT) and SIGTERM end a running subcommand cleanly: the handler only sets a flag
// that the loops poll, so terminals are restored and files closed on the normal path.

namespace TSCoreCli
{
    void InstallInterruptHandler();
    bool Interrupted();
    /// Sleeps up to seconds, returning early when interrupted.
    void SleepFor(double seconds);
}
