#include "Console.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace ToolCommon
{
    namespace
    {
        std::atomic<const char*> consoleName{nullptr};

        void WriteLine(const char* kind, const std::string& message) noexcept
        {
            const char* name = consoleName.load(std::memory_order_relaxed);
            if (name == nullptr)
                name = program_invocation_short_name;
            try
            {
                std::string line = std::string(name) + ": " + kind + message + "\n";
                std::fwrite(line.data(), 1, line.size(), stderr);
            }
            catch (...)
            {
                // Out of memory: the message is lost, the caller is not.
            }
        }
    }

    void SetConsoleName(const char* name) noexcept { consoleName.store(name, std::memory_order_relaxed); }

    int Fail(int code, const std::string& message) noexcept
    {
        WriteLine("", message);
        return code;
    }

    void Warn(const std::string& message) noexcept { WriteLine("warning: ", message); }

    void Note(const std::string& message) noexcept { WriteLine("", message); }
}
