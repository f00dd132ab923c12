#include "StopSignal.h"

#include <signal.h>

#include <algorithm>
#include <thread>

#include "ExitCode.h"

namespace ToolCommon
{
    namespace
    {
        volatile sig_atomic_t stopSignal = 0;

        extern "C" void OnStopSignal(int signal) { stopSignal = signal; }
    }

    void InstallStopSignals()
    {
        struct sigaction action
        {
        };
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a wait in poll or ppoll returns, and its loop sees the flag at once.
        action.sa_flags = 0;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaction(signal, &action, nullptr);
        action.sa_handler = SIG_IGN;
        for (const int signal : {SIGPIPE, SIGTTIN})
            sigaction(signal, &action, nullptr);
    }

    bool StopRequested() { return stopSignal != 0; }

    int ExitCodeAfterStop(bool resultLost)
    {
        switch (stopSignal)
        {
        case SIGTERM:
            return ExitCodes::exitTerminated;
        case SIGHUP:
            return ExitCodes::exitHungUp;
        case SIGINT:
            return resultLost ? ExitCodes::exitInterrupted : ExitCodes::exitOk;
        default:
            return ExitCodes::exitOk;
        }
    }

    void SleepUnlessStopped(std::chrono::steady_clock::time_point end)
    {
        using Clock = std::chrono::steady_clock;
        // Short slices: sleep_for resumes after a signal, so the flag is checked between them.
        for (auto now = Clock::now(); now < end && !StopRequested(); now = Clock::now())
            std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(20)));
    }

    void SleepUnlessStopped(std::chrono::duration<double> time)
    {
        using Clock = std::chrono::steady_clock;
        if (!(time.count() > 0.0))
            return;
        // Bounded, so that the conversion cannot overflow.
        const auto bounded = std::min(time, std::chrono::duration<double>(86400.0));
        SleepUnlessStopped(Clock::now() + std::chrono::duration_cast<Clock::duration>(bounded));
    }
}
