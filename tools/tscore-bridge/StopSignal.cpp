#include "StopSignal.h"

#include <signal.h>

namespace TSCoreBridge
{
    namespace
    {
        volatile sig_atomic_t stopRequested = 0;

        extern "C" void OnStopSignal(int) { stopRequested = 1; }
    }

    void InstallStopSignals()
    {
        struct sigaction action
        {
        };
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
        // A closed stdout must not kill the bridge before it has stopped the gloves.
        signal(SIGPIPE, SIG_IGN);
    }

    bool StopRequested() { return stopRequested != 0; }
}
