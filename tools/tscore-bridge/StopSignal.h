#pragma once

// SIGINT, SIGTERM and SIGHUP end a running bridge cleanly: the handler only sets a flag that
// the loops check several times a second, so that gloves are stopped and segments removed on
// the normal path.

namespace TSCoreBridge
{
    void InstallStopSignals();
    bool StopRequested();
}
