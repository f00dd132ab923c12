#include "BridgeFixture.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

namespace TSCoreBridgeTest
{
    void BridgeTest::SetUp()
    {
        TestNetwork::Configure();
        std::string why;
        if (!a.Boot(why) || !b.Boot(why))
            GTEST_SKIP() << "two machines on one host need a private /dev/shm each: " << why;
    }

    void BridgeTest::TearDown()
    {
        mirror.Stop();
        publisher.Stop();
        sim.Stop();
    }

    bool BridgeTest::StartSim(const std::vector<std::string>& args)
    {
        return a.Start(sim, TESSLINK_SIM_PATH, args) &&
               sim.WaitForLine([](const std::string& l) { return l == "ready"; });
    }

    bool BridgeTest::StartPublisher(ChildProcess& process, const std::vector<std::string>& extra)
    {
        std::vector<std::string> args{"publish"};
        for (const auto& arg : NetworkArgs())
            args.push_back(arg);
        args.insert(args.end(), extra.begin(), extra.end());
        return a.Start(process, TSCORE_BRIDGE_PATH, args) &&
               process.WaitForLine([](const std::string& l) { return l == "ready"; });
    }

    bool BridgeTest::StartMirror(ChildProcess& process)
    {
        std::vector<std::string> args{"mirror"};
        for (const auto& arg : NetworkArgs())
            args.push_back(arg);
        return b.Start(process, TSCORE_BRIDGE_PATH, args) &&
               process.WaitForLine([](const std::string& l) { return l == "ready"; });
    }

    RunResult BridgeTest::Tscore(Machine& machine, const std::vector<std::string>& args)
    {
        return machine.Run(TSCORE_CLI_PATH, args);
    }

    bool BridgeTest::ListsAgree(std::chrono::milliseconds timeout)
    {
        // The age of the service's time stamp is each machine's own: the mirror stamps when the
        // publisher's heartbeat comes, not when the service on A did.
        const auto withoutStampAge = [](const std::string& list)
        { return std::regex_replace(list, std::regex(R"( \(time stamp \d+ s old\))"), ""); };
        RunResult listA;
        RunResult listB;
        const bool agree = WaitUntil(
            [&]
            {
                listA = Tscore(a, {"list"});
                listB = Tscore(b, {"list"});
                return listA.exitCode == 0 && withoutStampAge(listB.out) == withoutStampAge(listA.out);
            },
            timeout);
        if (!agree)
            ADD_FAILURE() << "machine A:\n" << listA.out << "machine B:\n" << listB.out;
        return agree;
    }

    std::map<std::string, std::string> BridgeTest::Texts(Machine& machine)
    {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("tscore-bridge-test-" + std::to_string(getpid()) + ".jsonl"))
                .string();
        std::map<std::string, std::string> texts;
        if (Tscore(machine, {"record", "--out", path, "--seconds", "0.2"}).exitCode != 0)
            return texts;
        std::ifstream file(path);
        for (std::string line; std::getline(file, line);)
        {
            const auto entry = nlohmann::json::parse(line, nullptr, false);
            if (entry.is_object() && entry.value("kind", "") == "data")
                texts[entry.value("key", "")] = entry.value("text", "");
        }
        std::filesystem::remove(path);
        return texts;
    }

    std::map<std::string, long> BridgeTest::Stats(ChildProcess& process)
    {
        std::map<std::string, long> stats;
        for (const auto& line : process.Lines())
        {
            if (line.rfind("stats ", 0) != 0)
                continue;
            std::istringstream fields(line.substr(6));
            for (std::string field; fields >> field;)
            {
                const auto equals = field.find('=');
                if (equals != std::string::npos)
                    stats[field.substr(0, equals)] = std::stol(field.substr(equals + 1));
            }
        }
        return stats;
    }

    bool BridgeTest::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done())
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    std::vector<std::string> BridgeTest::NetworkArgs() const
    {
        return {"--domain", std::to_string(domain), "--partition", TestNetwork::Partition()};
    }
}
