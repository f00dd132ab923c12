#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/interprocess/shared_memory_object.hpp>

namespace TSCoreTest
{
    namespace
    {
        /// execv's argument vector; storage keeps the strings it points into.
        std::vector<char*> ArgumentVector(const std::string& program, const std::vector<std::string>& args,
                                          std::vector<std::string>& storage)
        {
            storage = {program};
            storage.insert(storage.end(), args.begin(), args.end());
            std::vector<char*> out;
            for (auto& a : storage)
                out.push_back(a.data());
            out.push_back(nullptr);
            return out;
        }
    }

    ChildProcess::~ChildProcess()
    {
        if (pid > 0 && Running())
            Stop(SIGKILL);
        if (stdinFd >= 0)
            close(stdinFd);
        if (reader.joinable())
            reader.join();
        if (stdoutFd >= 0)
            close(stdoutFd);
        if (stderrFd >= 0)
            close(stderrFd);
    }

    bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args)
    {
        // A child that dies early must not take the test process down with SIGPIPE.
        signal(SIGPIPE, SIG_IGN);
        int in[2];
        int out[2];
        int err[2];
        if (pipe2(in, O_CLOEXEC) != 0)
            return false;
        if (pipe2(out, O_CLOEXEC) != 0)
        {
            close(in[0]);
            close(in[1]);
            return false;
        }
        if (pipe2(err, O_CLOEXEC) != 0)
        {
            for (const int fd : {in[0], in[1], out[0], out[1]})
                close(fd);
            return false;
        }
        std::vector<std::string> argv;
        const std::vector<char*> cargv = ArgumentVector(program, args, argv);

        pid = fork();
        if (pid == 0)
        {
            // A test that crashes must not leave a simulator running with its segments.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            execv(program.c_str(), cargv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        if (pid < 0)
        {
            close(in[1]);
            close(out[0]);
            close(err[0]);
            return false;
        }
        stdinFd = in[1];
        stdoutFd = out[0];
        stderrFd = err[0];
        reader = std::thread([this] { ReadLoop(); });
        return true;
    }

    void ChildProcess::ReadLoop()
    {
        std::string partial;
        char buffer[4096];
        pollfd fds[2] = {{stdoutFd, POLLIN, 0}, {stderrFd, POLLIN, 0}};
        for (;;)
        {
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents != 0)
            {
                const ssize_t n = read(stderrFd, buffer, sizeof buffer);
                std::lock_guard<std::mutex> lock(mutex);
                if (n > 0)
                    errorText.append(buffer, static_cast<std::size_t>(n));
                else
                    fds[1].fd = -1; // closed: poll ignores it from now on
            }
            if (fds[0].revents == 0)
                continue;
            const ssize_t n = read(stdoutFd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            partial.append(buffer, static_cast<std::size_t>(n));
            std::size_t eol;
            while ((eol = partial.find('\n')) != std::string::npos)
            {
                std::lock_guard<std::mutex> lock(mutex);
                lines.push_back(partial.substr(0, eol));
                partial.erase(0, eol + 1);
                changed.notify_all();
            }
        }
        // What the child wrote to stderr just before it ended.
        while (fds[1].fd >= 0 && poll(&fds[1], 1, 200) > 0)
        {
            const ssize_t n = read(stderrFd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            std::lock_guard<std::mutex> lock(mutex);
            errorText.append(buffer, static_cast<std::size_t>(n));
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (!partial.empty())
            lines.push_back(partial);
        ended = true;
        changed.notify_all();
    }

    std::optional<std::string> ChildProcess::WaitForLine(const std::function<bool(const std::string&)>& match,
                                                         std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;)
        {
            while (readPosition < lines.size())
            {
                const std::string& line = lines[readPosition++];
                if (match(line))
                    return line;
            }
            if (ended)
                return std::nullopt;
            if (changed.wait_until(lock, deadline) == std::cv_status::timeout && readPosition >= lines.size())
                return std::nullopt;
        }
    }

    std::optional<std::string> ChildProcess::WaitForPrefix(const std::string& prefix, std::chrono::milliseconds timeout)
    {
        return WaitForLine([&](const std::string& line) { return line.rfind(prefix, 0) == 0; }, timeout);
    }

    std::vector<std::string> ChildProcess::Lines()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lines;
    }

    std::string ChildProcess::ErrorText()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return errorText;
    }

    bool ChildProcess::WriteLine(const std::string& line)
    {
        if (stdinFd < 0)
            return false;
        const std::string text = line + "\n";
        return write(stdinFd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    void ChildProcess::CloseInput()
    {
        if (stdinFd >= 0)
            close(stdinFd);
        stdinFd = -1;
    }

    bool ChildProcess::Running()
    {
        if (pid <= 0)
            return false;
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
        {
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid = -1;
            return false;
        }
        return r == 0;
    }

    int ChildProcess::Wait(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Running())
        {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (reader.joinable())
            reader.join();
        return exitCode;
    }

    int ChildProcess::Stop(int signal, std::chrono::milliseconds timeout)
    {
        if (pid > 0)
            kill(pid, signal);
        const int code = Wait(timeout);
        if (code == -1 && pid > 0)
        {
            kill(pid, SIGKILL);
            Wait(std::chrono::seconds(5));
            return -1;
        }
        return code;
    }

    void RemoveSegments()
    {
        for (const char* name : {"Devices", "Data", "Haptics"})
            boost::interprocess::shared_memory_object::remove(name);
    }

    bool SimProcess::Launch(const std::vector<std::string>& args)
    {
        return Start(TESSLINK_SIM_PATH, args) && WaitForLine([](const std::string& l) { return l == "ready"; });
    }

    bool SimProcess::Control(const std::string& command)
    {
        return WriteLine(command) &&
               WaitForLine([](const std::string& l) { return l == "ok" || l.rfind("error", 0) == 0; }).value_or("") ==
                   "ok";
    }

    RunResult Run(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds timeout)
    {
        ChildProcess child;
        RunResult result;
        if (!child.Start(program, args))
            return result;
        result.exitCode = child.Wait(timeout);
        if (result.exitCode == -1)
            child.Stop(SIGKILL);
        for (const auto& line : child.Lines())
            result.out += line + "\n";
        result.err = child.ErrorText();
        return result;
    }

    RunResult RunInTerminal(const std::string& program, const std::vector<std::string>& args, int columns, int rows,
                            std::chrono::milliseconds timeout)
    {
        RunResult result;
        std::vector<std::string> argv;
        const std::vector<char*> cargv = ArgumentVector(program, args, argv);
        winsize size{static_cast<unsigned short>(rows), static_cast<unsigned short>(columns), 0, 0};
        int master = -1;
        const pid_t child = forkpty(&master, nullptr, nullptr, &size);
        if (child < 0)
            return result;
        if (child == 0)
        {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            execv(program.c_str(), cargv.data());
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char buffer[4096];
        pollfd fd{master, POLLIN, 0};
        while (std::chrono::steady_clock::now() < deadline && poll(&fd, 1, 100) >= 0)
        {
            if (fd.revents == 0)
                continue;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break; // EIO once the child has closed the terminal
            result.out.append(buffer, static_cast<std::size_t>(n));
        }
        if (std::chrono::steady_clock::now() >= deadline)
            kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        close(master);
        return result;
    }
}
