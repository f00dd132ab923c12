// How long a sensor text written by the connection service on machine A takes to become
// readable through the library on machine B, across tscore-bridge publish and mirror: four
// exoskeleton gloves, each writing a new text 1000 times a second, for each poll rate of the
// publisher. Reports the median and 99th percentile of that time; the share of texts the
// publisher's polls picked up, the mirror applied, and B's reader (a ServiceReader polling
// every 100 us) never saw; and the CPU time of both bridge processes. The two machines are two mount namespaces with a
// /dev/shm each (root needed); DDS runs over loopback.

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
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <TSCore/Devices/ServiceReader.h>

#include "GlovePublisher.h"
#include "ServiceSegments.h"
#include "SimDevice.h"
#include "Types.h"
#include "dds/Participant.h"
#include "dds/Reader.h"
#include "dds/Subscriber.h"
#include "dds/Topic.h"
#include "dds/WaitSet.h"

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
    // B's reader runs as a process of its own, as a plain application would.
    constexpr char readerFlag[] = "--read-machine-b";

    // The texts A wrote and not yet seen on B (by hash), with the time of their latest write and,
    // once the next text replaced it, how long each stood on A.
    struct Ledger
    {
        struct Text
        {
            Clock::time_point at;
            Clock::duration stood = Clock::duration::max();
            bool measured = false;
        };

        std::mutex mutex;
        std::vector<std::map<std::size_t, Text>> pending{gloves};
        std::vector<std::size_t> last = std::vector<std::size_t>(gloves);
        std::vector<double> latencies;
        long written = 0;
        long writtenInAll = 0; // warm-up included, to set beside the publisher's own count
        bool measuring = false;

        /// Device 0's writes while measuring, on the wall clock and the steady one.
        std::vector<std::pair<std::chrono::system_clock::time_point, Clock::time_point>> firstGlove;

        void Wrote(int device, const std::string& text, Clock::time_point at)
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (device == 0 && measuring)
                firstGlove.emplace_back(std::chrono::system_clock::now(), at);
            auto& texts = pending[static_cast<std::size_t>(device)];
            std::size_t& previous = last[static_cast<std::size_t>(device)];
            if (const auto it = texts.find(previous); it != texts.end())
                it->second.stood = at - it->second.at;
            previous = std::hash<std::string_view>()(text);
            texts[previous] = Text{at, Clock::duration::max(), measuring};
            written += measuring ? 1 : 0;
            ++writtenInAll;
        }

        void Saw(int device, std::size_t text, Clock::time_point at)
        {
            std::lock_guard<std::mutex> lock(mutex);
            auto& texts = pending[static_cast<std::size_t>(device)];
            const auto it = texts.find(text);
            if (it == texts.end())
                return;
            if (measuring)
                latencies.push_back(std::chrono::duration<double, std::micro>(at - it->second.at).count());
            texts.erase(it);
        }

        /// Texts written while measuring that were never seen and stood less than that on A.
        long LostStandingUnder(Clock::duration bound)
        {
            std::lock_guard<std::mutex> lock(mutex);
            long n = 0;
            for (const auto& texts : pending)
                for (const auto& [hash, text] : texts)
                    n += text.measured && text.stood < bound ? 1 : 0;
            return n;
        }
    };

    // This thread, and what it starts, gets a mount namespace with a /dev/shm of its own.
    bool BecomeMachine()
    {
        return unshare(CLONE_FS | CLONE_NEWNS) == 0 &&
               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount("tmpfs", "/dev/shm", "tmpfs", 0, nullptr) == 0;
    }

    // Starts a program with its stdout in a file (its stderr discarded).
    pid_t Spawn(std::vector<std::string> args, const std::string& output)
    {
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0)
        {
            const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int null = open("/dev/null", O_WRONLY);
            dup2(out, 1);
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

    bool Ready(const std::string& output)
    {
        std::ifstream file(output);
        std::string line;
        return std::getline(file, line) && line == "ready";
    }

    struct Run
    {
        Ledger ledger;
        std::atomic<bool> stop{false};
        std::atomic<int> ready{0};
        std::atomic<bool> failed{false};
        pid_t publisher = -1;
        pid_t mirror = -1;
        pid_t reader = -1;
        std::vector<std::string> network;
        long pollRate = 1000;
        std::vector<std::string> publishArgs;
        std::string publisherOutput;
        std::string mirrorOutput;
    };

    void MachineA(Run& run)
    {
        if (!BecomeMachine())
        {
            run.failed = true;
            return;
        }
        TSCoreLink::ServiceSegments segments;
        if (segments.Claim({"bridge benchmark", 1 << 20, false}).outcome !=
            TSCoreLink::ServiceSegments::Outcome::Claimed)
        {
            run.failed = true;
            return;
        }
        std::vector<TessLinkSim::TessaraSim> sims;
        for (int i = 0; i < gloves; ++i)
        {
            const bool right = i % 2 == 0;
            sims.emplace_back(
                right, i + 1,
                TessLinkSim::TessaraSim::Constants(right, i + 1, TessLinkSim::TessaraSim::defaultFirmware),
                TessLinkSim::MotionSettings{TessLinkSim::Motion::Pattern::Wave, 0.5});
            segments.WriteDevices("device" + std::to_string(i), sims.back().Record(1000, "bench"));
        }
        segments.WriteDevices("nDevices", std::to_string(gloves));
        std::vector<std::string> args{TSCORE_BRIDGE_PATH, "publish", "--rate", std::to_string(run.pollRate)};
        args.insert(args.end(), run.network.begin(), run.network.end());
        args.insert(args.end(), run.publishArgs.begin(), run.publishArgs.end());
        run.publisher = Spawn(args, run.publisherOutput);
        // The texts count from the publisher's first poll.
        for (int i = 0; i < 1000 && !Ready(run.publisherOutput); ++i)
            std::this_thread::sleep_for(10ms);
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
                std::string text =
                    sims[i].SensorText(std::chrono::duration<double>(now - start).count() + 0.1 * double(i));
                if (text == last[i])
                    continue; // the glove did not move: nothing new to carry
                run.ledger.Wrote(static_cast<int>(i), text, Clock::now());
                segments.WriteData("device" + std::to_string(i), text);
                last[i] = std::move(text);
            }
        }
    }

    // B's reader process: every new text of every device, as "<device> <hash> <steady ns>".
    int ReadMachineB()
    {
        TSCore::ServiceReader reader;
        for (;;)
        {
            reader.Update();
            for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
            {
                if (!reader.Read(i).IsNew())
                    continue;
                const auto at = Clock::now().time_since_epoch().count();
                std::printf("%d %zu %lld\n", reader.Info(i).deviceIndex, std::hash<std::string_view>()(reader.Text(i)),
                            static_cast<long long>(at));
            }
            std::fflush(stdout);
            std::this_thread::sleep_for(readPeriod);
        }
    }

    void MachineB(Run& run)
    {
        int pipeFds[2];
        if (!BecomeMachine() || pipe2(pipeFds, O_CLOEXEC) != 0)
        {
            run.failed = true;
            return;
        }
        std::vector<std::string> args{TSCORE_BRIDGE_PATH, "mirror"};
        args.insert(args.end(), run.network.begin(), run.network.end());
        run.mirror = Spawn(args, run.mirrorOutput);
        run.reader = fork();
        if (run.reader == 0)
        {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
            execl("/proc/self/exe", "/proc/self/exe", readerFlag, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        ++run.ready;
        // Ends when the reader is stopped and the pipe closes.
        FILE* lines = fdopen(pipeFds[0], "r");
        int device = 0;
        std::size_t text = 0;
        long long at = 0;
        while (lines != nullptr && std::fscanf(lines, "%d %zu %lld", &device, &text, &at) == 3)
            if (device >= 0 && device < gloves)
                run.ledger.Saw(device, text, Clock::time_point(Clock::duration(at)));
        if (lines != nullptr)
            std::fclose(lines);
    }

    // The number of texts a bridge process sent or applied, from the statistics it prints
    // when it stops.
    double Texts(const std::string& output)
    {
        std::ifstream file(output);
        std::string line;
        while (std::getline(file, line))
        {
            const auto at = line.find(" texts=");
            if (line.rfind("stats ", 0) == 0 && at != std::string::npos)
                return std::stod(line.substr(at + 7));
        }
        return 0.0;
    }

    void Report(benchmark::State& state, Run& run, double publisherCpu, double mirrorCpu)
    {
        auto& latencies = run.ledger.latencies;
        std::sort(latencies.begin(), latencies.end());
        const auto at = [&](double q)
        { return latencies.empty() ? 0.0 : latencies[static_cast<std::size_t>(q * double(latencies.size() - 1))]; };
        const double seconds = std::chrono::duration<double>(measured).count();
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = at(1.0);
        state.counters["written"] = double(run.ledger.written);
        const double written = std::max(1.0, double(run.ledger.written));
        state.counters["lost_pct"] = 100.0 * double(run.ledger.written - long(latencies.size())) / written;
        // Of those, the texts that A's writer, woken late, replaced within 100 us: no poll at any
        // usual rate can see them.
        state.counters["lost_unpollable_pct"] = 100.0 * double(run.ledger.LostStandingUnder(100us)) / written;
        // Where texts were lost: the publisher's polls, or after them.
        const double all = std::max(1.0, double(run.ledger.writtenInAll));
        state.counters["polled_pct"] = 100.0 * Texts(run.publisherOutput) / all;
        state.counters["mirrored_pct"] = 100.0 * Texts(run.mirrorOutput) / all;
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
            run.publisherOutput = "/tmp/tscore-bridge-bench-" + std::to_string(getpid()) + ".publish";
            run.mirrorOutput = "/tmp/tscore-bridge-bench-" + std::to_string(getpid()) + ".mirror";
            run.network = {"--domain", std::to_string(20 + getpid() % 200), "--partition",
                           "tscore-bench-" + std::to_string(getpid())};
            std::thread a([&] { MachineA(run); });
            std::thread b([&] { MachineB(run); });
            while (run.ready < 2 && !run.failed)
                std::this_thread::sleep_for(10ms);
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
            if (run.reader > 0)
                kill(run.reader, SIGTERM);
            a.join();
            b.join();
            if (run.reader > 0)
                waitpid(run.reader, nullptr, 0);
            for (const pid_t pid : {run.publisher, run.mirror})
                if (pid > 0)
                {
                    kill(pid, SIGTERM);
                    waitpid(pid, nullptr, 0);
                }
            if (run.failed)
                state.SkipWithError("cannot set up two machines on one host: a private /dev/shm each needs root");
            else
                Report(state, run, publisherCpu, mirrorCpu);
            std::remove(run.publisherOutput.c_str());
            std::remove(run.mirrorOutput.c_str());
        }
    }

#ifdef TSCORE_RETARGET_CONFIG
    // How long after the glove's text the robot's joint states leave the publisher: device 0, the
    // right glove, drives the five-digit test hand (the same four gloves write as above, at the
    // default poll rate). Received by a ROS 2 subscriber on the same host; each sample is matched
    // to the text by its stamp, the time the publisher first read that text.
    void BM_RobotJointStates(benchmark::State& state)
    {
        namespace Dds = TSCoreBridge::Dds;
        setenv("CYCLONEDDS_URI", "file://" TSCORE_BRIDGE_LOOPBACK_CONFIG, 1);
        const std::uint32_t domain = 20 + static_cast<std::uint32_t>(getpid()) % 200;
        for (auto _ : state)
        {
            Run run;
            run.pollRate = static_cast<long>(TSCoreBridge::PublishOptions::defaultRate);
            run.publisherOutput = "/tmp/tscore-bridge-bench-" + std::to_string(getpid()) + ".publish";
            run.network = {"--domain", std::to_string(domain), "--partition",
                           "tscore-bench-" + std::to_string(getpid())};
            run.publishArgs = {"--retarget", "right=" TSCORE_RETARGET_CONFIG};
            Dds::Participant participant(domain);
            Dds::Subscriber subscriber(participant, "");
            Dds::Topic<sensor_msgs_msg_dds__JointState_> topic(participant, "rt/tscore/right/robot/joint_states");
            Dds::Reader<sensor_msgs_msg_dds__JointState_> reader(subscriber, topic, Dds::Qos::Reliable(10));
            Dds::WaitSet waitSet(participant);
            waitSet.Attach(reader);
            std::thread a([&] { MachineA(run); });
            while (run.ready < 1 && !run.failed)
                std::this_thread::sleep_for(10ms);
            std::this_thread::sleep_for(warmUp);
            std::vector<std::pair<std::chrono::system_clock::time_point, Clock::time_point>> received;
            run.ledger.mutex.lock();
            run.ledger.measuring = true;
            run.ledger.mutex.unlock();
            const double publisherStart = CpuSeconds(run.publisher);
            for (const auto end = Clock::now() + measured; Clock::now() < end;)
            {
                waitSet.Wait(10ms);
                const auto at = Clock::now();
                reader.Take(
                    [&](const sensor_msgs_msg_dds__JointState_& sample, std::uint64_t)
                    {
                        const auto stamp = std::chrono::system_clock::time_point(
                            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                std::chrono::seconds(sample.header.stamp.sec) +
                                std::chrono::nanoseconds(sample.header.stamp.nanosec)));
                        received.emplace_back(stamp, at);
                    });
            }
            const double publisherCpu = CpuSeconds(run.publisher) - publisherStart;
            run.ledger.mutex.lock();
            run.ledger.measuring = false;
            run.ledger.mutex.unlock();
            run.stop = true;
            a.join();
            if (run.publisher > 0)
            {
                kill(run.publisher, SIGTERM);
                waitpid(run.publisher, nullptr, 0);
            }
            std::remove(run.publisherOutput.c_str());
            if (run.failed)
            {
                state.SkipWithError("cannot set up the glove machine: a private /dev/shm needs root");
                continue;
            }
            // The text a sample came from: the latest write before the publisher first read it.
            const auto& writes = run.ledger.firstGlove;
            std::vector<double> latencies;
            for (const auto& [stamp, at] : received)
            {
                const auto after = std::upper_bound(writes.begin(), writes.end(), stamp,
                                                    [](auto t, const auto& w) { return t < w.first; });
                if (after != writes.begin())
                    latencies.push_back(
                        std::chrono::duration<double, std::micro>(at - std::prev(after)->second).count());
            }
            std::sort(latencies.begin(), latencies.end());
            const auto q = [&](double f)
            { return latencies.empty() ? 0.0 : latencies[static_cast<std::size_t>(f * double(latencies.size() - 1))]; };
            state.counters["median_us"] = q(0.5);
            state.counters["p99_us"] = q(0.99);
            state.counters["max_us"] = q(1.0);
            state.counters["samples"] = double(latencies.size());
            state.counters["texts"] = double(writes.size());
            state.counters["publish_cpu_pct"] = 100.0 * publisherCpu / std::chrono::duration<double>(measured).count();
        }
    }
#endif
}

// The argument is the publisher's polls per second, from the gloves' own rate to five times it.
BENCHMARK(BM_BridgeLatency)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(3000)
    ->Arg(4000)
    ->Arg(5000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

#ifdef TSCORE_RETARGET_CONFIG
BENCHMARK(BM_RobotJointStates)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
#endif

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == readerFlag)
        return ReadMachineB();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
