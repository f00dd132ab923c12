// How long a sensor text written by the connection service on machine A takes to become
// readable through the library on machine B, across tscore-bridge publish and mirror: four
// exoskeleton gloves, each writing a new text 1000 times a second. Reports the median and
// 99th percentile of that time, the texts B never saw (a publisher polling no faster than the
// gloves write misses some), and the CPU time of both bridge processes. The two machines are two mount namespaces with a /dev/shm each (root needed);
// DDS runs over loopback.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "ServiceSegments.h"
#include "SimDevice.h"

namespace
{
    using Clock = std::chrono::steady_clock;
    using namespace std::chrono_literals;

    constexpr int gloves = 4;
    constexpr auto writePeriod = 1ms;
    constexpr auto warmUp = 2s;
    constexpr auto measured = 10s;
    // B reads every device through the library this often.
    constexpr auto readPeriod = 100us;

    // The texts A wrote and not yet seen on B, with the time of their latest write.
    struct Ledger
    {
        std::mutex mutex;
        std::vector<std::map<std::string, Clock::time_point>> pending{gloves};
        std::vector<double> latencies;
        long written = 0;
        bool measuring = false;

        void Wrote(int device, const std::string& text, Clock::time_point at)
        {
            std::lock_guard<std::mutex> lock(mutex);
            pending[static_cast<std::size_t>(device)][text] = at;
            written += measuring ? 1 : 0;
        }

        void Saw(int device, const std::string& text, Clock::time_point at)
        {
            std::lock_guard<std::mutex> lock(mutex);
            auto& texts = pending[static_cast<std::size_t>(device)];
            const auto it = texts.find(text);
            if (it == texts.end())
                return;
            if (measuring)
                latencies.push_back(std::chrono::duration<double, std::micro>(at - it->second).count());
            texts.erase(it);
        }
    };

    // This thread, and what it starts, gets a mount namespace with a /dev/shm of its own.
    bool BecomeMachine()
    {
        return unshare(CLONE_FS | CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount("tmpfs", "/dev/shm", "tmpfs", 0, nullptr) == 0;
    }

    pid_t Spawn(std::vector<std::string> args)
    {
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0)
        {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    double CpuSeconds(pid_t pid)
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // Fields after the command name (which may hold spaces): utime and stime are 12 and 13.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 0; i < 13 && rest >> field; ++i)
            if (i >= 11)
                ticks += std::stod(field);
        return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    struct Run
    {
        Ledger ledger;
        std::atomic<bool> stop{false};
        std::atomic<int> ready{0};
        std::atomic<bool> failed{false};
        pid_t publisher = -1;
        pid_t mirror = -1;
        std::vector<std::string> network;
        long pollRate = 1000;
    };

    void MachineA(Run& run)
    {
        if (!BecomeMachine())
        {
            run.failed = true;
            return;
        }
        TSCoreService::ServiceSegments segments;
        if (segments.Claim({"bridge benchmark", 1 << 20, false}).outcome != TSCoreService::ServiceSegments::Outcome::Claimed)
        {
            run.failed = true;
            return;
        }
        std::vector<TessLinkSim::TessaraSim> sims;
        for (int i = 0; i < gloves; ++i)
        {
            sims.emplace_back(i % 2 == 0, TessLinkSim::TessaraSim::defaultFirmware,
                              TessLinkSim::MotionSettings{TessLinkSim::Motion::Pattern::Wave, 0.5});
            segments.WriteDevices("device" + std::to_string(i), sims.back().Record(1000, "bench"));
        }
        segments.WriteDevices("nDevices", std::to_string(gloves));
        std::vector<std::string> args{TSCORE_BRIDGE_PATH, "publish", "--rate", std::to_string(run.pollRate)};
        args.insert(args.end(), run.network.begin(), run.network.end());
        run.publisher = Spawn(args);
        ++run.ready;

        const auto start = Clock::now();
        std::vector<std::string> last(gloves);
        for (auto next = start; !run.stop; next += writePeriod)
        {
            std::this_thread::sleep_until(next);
            const auto now = Clock::now();
            segments.WriteDevices("scanActive", std::to_string(std::time(nullptr)));
            for (std::size_t i = 0; i < last.size(); ++i)
            {
                std::string text = sims[i].SensorText(std::chrono::duration<double>(now - start).count() + 0.1 * double(i));
                if (text == last[i])
                    continue; // the glove did not move: nothing new to carry
                run.ledger.Wrote(static_cast<int>(i), text, Clock::now());
                segments.WriteData("device" + std::to_string(i), text);
                last[i] = std::move(text);
            }
        }
    }

    void MachineB(Run& run)
    {
        if (!BecomeMachine())
        {
            run.failed = true;
            return;
        }
        std::vector<std::string> args{TSCORE_BRIDGE_PATH, "mirror"};
        args.insert(args.end(), run.network.begin(), run.network.end());
        run.mirror = Spawn(args);
        ++run.ready;
        std::vector<std::string> seen(gloves);
        std::string text;
        while (!run.stop)
        {
            for (int i = 0; i < gloves; ++i)
            {
                if (!TSCore::DeviceList::GetSensorDataString("device" + std::to_string(i), text) ||
                    text == seen[static_cast<std::size_t>(i)])
                    continue;
                run.ledger.Saw(i, text, Clock::now());
                seen[static_cast<std::size_t>(i)] = text;
            }
            std::this_thread::sleep_for(readPeriod);
        }
    }

    void Report(benchmark::State& state, Run& run, double publisherCpu, double mirrorCpu)
    {
        auto& latencies = run.ledger.latencies;
        std::sort(latencies.begin(), latencies.end());
        const auto at = [&](double q) {
            return latencies.empty() ? 0.0 : latencies[static_cast<std::size_t>(q * double(latencies.size() - 1))];
        };
        const double seconds = std::chrono::duration<double>(measured).count();
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = at(1.0);
        state.counters["written"] = double(run.ledger.written);
        state.counters["lost_pct"] =
            run.ledger.written == 0 ? 0.0 : 100.0 * double(run.ledger.written - long(latencies.size())) / double(run.ledger.written);
        state.counters["publish_cpu_pct"] = 100.0 * publisherCpu / seconds;
        state.counters["mirror_cpu_pct"] = 100.0 * mirrorCpu / seconds;
    }

    void BM_BridgeLatency(benchmark::State& state)
    {
        setenv("CYCLONEDDS_URI", "file://" TSCORE_BRIDGE_LOOPBACK_CONFIG, 1);
        for (auto _ : state)
        {
            Run run;
            run.pollRate = state.range(0);
            run.network = {"--domain", std::to_string(20 + getpid() % 200), "--partition",
                           "tscore-bench-" + std::to_string(getpid())};
            std::thread a([&] { MachineA(run); });
            std::thread b([&] { MachineB(run); });
            std::this_thread::sleep_for(warmUp);
            const double publisherStart = CpuSeconds(run.publisher);
            const double mirrorStart = CpuSeconds(run.mirror);
            run.ledger.mutex.lock();
            run.ledger.measuring = true;
            run.ledger.mutex.unlock();
            std::this_thread::sleep_for(measured);
            run.ledger.mutex.lock();
            run.ledger.measuring = false;
            run.ledger.mutex.unlock();
            const double publisherCpu = CpuSeconds(run.publisher) - publisherStart;
            const double mirrorCpu = CpuSeconds(run.mirror) - mirrorStart;
            run.stop = true;
            a.join();
            b.join();
            for (const pid_t pid : {run.publisher, run.mirror})
                if (pid > 0)
                {
                    kill(pid, SIGTERM);
                    waitpid(pid, nullptr, 0);
                }
            if (run.failed)
            {
                state.SkipWithError("cannot set up two machines on one host: a private /dev/shm each needs root");
                return;
            }
            Report(state, run, publisherCpu, mirrorCpu);
        }
    }
}

// The argument is the publisher's polls per second: its default, and four times the gloves' rate.
BENCHMARK(BM_BridgeLatency)->Arg(1000)->Arg(4000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
