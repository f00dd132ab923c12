#pragma once

// A glove machine A (tesslink-sim, tscore-bridge publish) and a remote machine B
// (tscore-bridge mirror), as real processes; tscore runs unmodified on either.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Machine.h"

namespace TSCoreBridgeTest
{
    class BridgeTest : public testing::Test
    {
    protected:
        void SetUp() override;
        void TearDown() override;

        bool StartSim(const std::vector<std::string>& args);
        bool StartPublisher(ChildProcess& process, const std::vector<std::string>& extra = {});
        bool StartMirror() { return StartMirror(mirror); }
        bool StartMirror(ChildProcess& process);
        RunResult Tscore(Machine& machine, const std::vector<std::string>& args);
        /// `tscore list` prints the same on both machines (retried: the packet rate in the
        /// records changes now and then).
        bool ListsAgree(std::chrono::milliseconds timeout);
        /// The latest sensor text of every device, as tscore reads it on that machine.
        std::map<std::string, std::string> Texts(Machine& machine);
        /// "stats" line that a bridge prints when it stops, as key -> value.
        static std::map<std::string, long> Stats(ChildProcess& process);
        static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
        std::vector<std::string> NetworkArgs() const;

        /// The DDS domain of the bridges this test starts.
        std::uint32_t domain = TestNetwork::Domain();
        Machine a;
        Machine b;
        TSCoreTest::SimProcess sim;
        ChildProcess publisher;
        ChildProcess mirror;
    };
}
