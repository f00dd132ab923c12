#include "Interrupt.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "ExitCodes.h"

namespace TSCoreCli
{
    namespace
    {
        volatile sig_atomic_t interruptedBy = 0;
        volatile sig_atomic_t resized = 0;

        extern "C" void OnInterrupt(int signal) { interruptedBy = signal; }

        extern "C" void OnResize(int) { resized = 1; }
    }

    void InstallInterruptHandler()
    {
        struct sigaction action
        {
        };
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        action.sa_handler = OnResize;
        action.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &action, nullptr);
        // Output piped into `head` must end the tool through a failed write, not kill it
        // halfway through a redraw.
        signal(SIGPIPE, SIG_IGN);
    }

    bool Interrupted() { return interruptedBy != 0; }

    int InterruptedExitCode() { return interruptedBy == SIGTERM ? exitTerminated : exitInterrupted; }

    bool Terminated() { return interruptedBy == SIGTERM; }

    bool TerminalResized()
    {
        if (resized == 0)
            return false;
        resized = 0;
        return true;
    }

    void SleepFor(double seconds)
    {
        using Clock = std::chrono::steady_clock;
        const auto end =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        // Short slices: sleep_for resumes after a signal, so the flag is checked between them.
        while (!Interrupted())
        {
            const auto now = Clock::now();
            if (now >= end)
                return;
            std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(20)));
        }
    }
}
