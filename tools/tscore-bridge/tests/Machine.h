#pragma once

// Two "machines" on one host for the bridge's tests: each has a /dev/shm of its own (a mount
// namespace with a fresh tmpfs, held by a sleeping process), and its programs run inside that
// namespace through nsenter. DDS between them goes over loopback, in a domain and partition of
// the test's own, so that concurrent test runs do not meet.

#include <cstdint>
#include <string>
#include <vector>

#include "SimProcess.h"

namespace TSCoreBridgeTest
{
    using TSCoreTest::ChildProcess;
    using TSCoreTest::RunResult;

    class Machine
    {
    public:
        /// False, with the reason, where this host does not allow it (not root, no unshare).
        bool Boot(std::string& why);
        /// Starts a program inside the machine; false when it could not be started.
        bool Start(ChildProcess& child, const std::string& program, const std::vector<std::string>& args);
        /// Runs a program inside the machine to its end.
        RunResult Run(const std::string& program, const std::vector<std::string>& args);

    private:
        std::vector<std::string> Enter(const std::string& program, const std::vector<std::string>& args) const;

        ChildProcess holder;
        std::string pid;
    };

    /// DDS over loopback with unicast discovery (CYCLONEDDS_URI, inherited by every program the
    /// test starts), in a domain and partition chosen from the test process's id.
    struct TestNetwork
    {
        static void Configure();
        static std::uint32_t Domain();
        static std::string Partition();
    };
}
