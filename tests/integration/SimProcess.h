#pragma once

// Runs tesslink-sim (or any tool) as a real child process for the integration tests: its
// stdin is a control channel, its stdout is collected line by line on a reader thread.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace TSCoreTest
{
    class ChildProcess
    {
    public:
        ChildProcess() = default;
        ChildProcess(const ChildProcess&) = delete;
        ChildProcess& operator=(const ChildProcess&) = delete;
        ~ChildProcess();

        /// Starts program with args; false when it could not be started.
        bool Start(const std::string& program, const std::vector<std::string>& args);

        /// Waits for the next line (from the current read position on) that satisfies match.
        std::optional<std::string> WaitForLine(const std::function<bool(const std::string&)>& match,
                                               std::chrono::milliseconds timeout = std::chrono::seconds(10));
        std::optional<std::string> WaitForPrefix(const std::string& prefix,
                                                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
        /// Every line printed so far.
        std::vector<std::string> Lines();
        /// Everything written to stderr so far.
        std::string ErrorText();

        /// Writes one line to the child's stdin.
        bool WriteLine(const std::string& line);
        /// Closes the child's stdin (end of input).
        void CloseInput();

        /// SIGTERM (or the given signal), then waits up to timeout; the exit code, or -1.
        int Stop(int signal = 15, std::chrono::milliseconds timeout = std::chrono::seconds(10));
        /// Waits for the child to end on its own; the exit code, or -1 on timeout.
        int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));
        bool Running();
        /// The child's process id while it runs, -1 after it ended.
        pid_t Pid() const { return pid; }

    private:
        void ReadLoop();

        pid_t pid = -1;
        int stdinFd = -1;
        int stdoutFd = -1;
        int stderrFd = -1;
        int exitCode = -1;
        std::thread reader;
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> lines;
        std::string errorText;
        std::size_t readPosition = 0;
        bool ended = false;
    };

    /// Removes the segments the service and the library create, so every test starts clean.
    void RemoveSegments();

    /// tesslink-sim with the given options; waits for its "ready" line.
    class SimProcess : public ChildProcess
    {
    public:
        bool Launch(const std::vector<std::string>& args);
        /// Sends a control command and waits for its "ok".
        bool Control(const std::string& command);
    };

    /// Runs a program to completion; its stdout, stderr and exit code.
    struct RunResult
    {
        int exitCode = -1;
        std::string out;
        std::string err;
    };
    RunResult Run(const std::string& program, const std::vector<std::string>& args,
                  std::chrono::milliseconds timeout = std::chrono::seconds(60));

    /// Runs a program on a pseudo-terminal of the given size, as in a user's terminal window;
    /// out holds everything it wrote there, escape sequences included.
    RunResult RunInTerminal(const std::string& program, const std::vector<std::string>& args, int columns, int rows,
                            std::chrono::milliseconds timeout = std::chrono::seconds(30));
}
