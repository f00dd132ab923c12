#include "Machine.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>

namespace TSCoreBridgeTest
{
    namespace
    {
        const char* const nsenterPath = "/usr/bin/nsenter";
        const char* const unsharePath = "/usr/bin/unshare";
    }

    bool Machine::Boot(std::string& why)
    {
        if (access(unsharePath, X_OK) != 0 || access(nsenterPath, X_OK) != 0)
        {
            why = "unshare or nsenter is missing";
            return false;
        }
        // The shell prints its pid and becomes the sleeping holder under the same pid.
        if (!holder.Start(unsharePath, {"--mount", "--propagation", "private", "sh", "-c",
                                        "mount -t tmpfs tmpfs /dev/shm && echo $$ && exec sleep 100000"}))
        {
            why = "cannot start unshare";
            return false;
        }
        const auto line = holder.WaitForLine([](const std::string&) { return true; }, std::chrono::seconds(10));
        if (!line || line->empty() || line->find_first_not_of("0123456789") != std::string::npos)
        {
            why = "unshare --mount with a tmpfs on /dev/shm is not permitted here (it needs root)";
            return false;
        }
        pid = *line;
        return true;
    }

    std::vector<std::string> Machine::Enter(const std::string& program, const std::vector<std::string>& args) const
    {
        std::vector<std::string> all{"-t", pid, "-m", "--", program};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }

    bool Machine::Start(ChildProcess& child, const std::string& program, const std::vector<std::string>& args)
    {
        return child.Start(nsenterPath, Enter(program, args));
    }

    RunResult Machine::Run(const std::string& program, const std::vector<std::string>& args)
    {
        return TSCoreTest::Run(nsenterPath, Enter(program, args), std::chrono::seconds(60));
    }

    void TestNetwork::Configure() { setenv("CYCLONEDDS_URI", "file://" TSCORE_BRIDGE_LOOPBACK_CONFIG, 1); }

    std::uint32_t TestNetwork::Domain() { return 20 + static_cast<std::uint32_t>(getpid()) % 200; }

    std::string TestNetwork::Partition() { return "tscore-test-" + std::to_string(getpid()); }
}
