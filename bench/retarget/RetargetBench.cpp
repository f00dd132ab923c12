// Retargeting: one warm-started solve per glove frame at 1 kHz, the wearer's hand moving
// through a fist, an open hand and a pinch, for each solver. Reported beside the time of a
// solve (p50, p99 of single solves timed one by one): heap allocations per solve, and what
// the solution is worth over the same motion (tip error, pinch gap, largest joint step).
// p99_cpu_us is the 99th percentile of the solving thread's own processor time.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <TSCore/Retarget/Retargeter.h>

#include "../AllocCounter.h"
#include "HumanHand.h"
#include "MallocCounter.h"

namespace
{
    using TSCore::Finger;
    using TSCore::HandPose;
    using TSCore::Retarget::Retargeter;
    using TSCore::Retarget::RobotJoints;
    using namespace RetargetTest;

    constexpr double step = 0.001; // the glove's 1 kHz

    /// This thread's processor time: a solve's own cost, without the time other processes
    /// of a shared machine take from it (which the wall-clock percentiles include).
    double ThreadSeconds()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }

    /// 3.5 s of the wearer's hand: open to fist and back (a second each), then into a pinch
    /// (half a second), held, and open again.
    const std::vector<HandPose>& Motion()
    {
        static const std::vector<HandPose> motion = []
        {
            const auto ease = [](double s)
            { return static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979 * std::clamp(s, 0.0, 1.0))); };
            std::vector<HandPose> poses;
            for (int k = 0; k < 3500; ++k)
            {
                const double t = k * step;
                const Angles a = t < 1.0   ? Blend(Open(), Fist(), ease(t))
                                 : t < 2.0 ? Blend(Fist(), Open(), ease(t - 1.0))
                                 : t < 2.5 ? Blend(Open(), Pinch(), ease((t - 2.0) / 0.5))
                                 : t < 3.0 ? Pinch()
                                           : Blend(Pinch(), Open(), ease((t - 3.0) / 0.5));
                poses.push_back(Pose(a));
            }
            return poses;
        }();
        return motion;
    }

    std::unique_ptr<Retargeter> Load(const std::string& config, const std::string& solver)
    {
        std::ifstream in(std::string(TSCORE_RETARGET_DATA) + "/" + config);
        std::stringstream text;
        text << in.rdbuf() << "solver: " << solver << "\n";
        std::string yaml = text.str();
        const std::size_t given = yaml.find("\nsolver: ");
        if (given != yaml.rfind("\nsolver: "))
            yaml.erase(given + 1, yaml.find('\n', given + 1) - given);
        std::string error;
        auto r = Retargeter::FromText(yaml, TSCORE_RETARGET_DATA, error);
        if (!r)
            std::fprintf(stderr, "%s\n", error.c_str());
        return r;
    }

    /// The solution over the motion, untimed: tip errors, the pinch, the steps and iterations.
    void Quality(benchmark::State& state, Retargeter& r)
    {
        r.Reset();
        RobotJoints out;
        std::vector<double> previous;
        std::vector<TSCore::Kinematics::Vect3D> robot, target;
        double errorSum = 0.0, errorMax = 0.0, stepMax = 0.0, iterations = 0.0, gap = 0.0;
        int errors = 0;
        const std::vector<HandPose>& motion = Motion();
        for (std::size_t k = 0; k < motion.size(); ++k)
        {
            r.Solve(motion[k], static_cast<double>(k) * step, out);
            iterations += r.LastStats().iterations;
            for (std::size_t i = 0; i < previous.size(); ++i)
                stepMax = std::max(stepMax, std::fabs(out.positions[i] - previous[i]));
            previous = out.positions;
            r.MatchedPositions(robot, target);
            std::size_t thumb = 0, index = 0;
            for (std::size_t i = 0; i < robot.size(); ++i)
            {
                if (r.Mapping()[i].point != 3)
                    continue;
                const double e = robot[i].DistTo(target[i]);
                errorSum += e;
                errorMax = std::max(errorMax, e);
                ++errors;
                thumb = r.Mapping()[i].digit == Finger::Thumb ? i : thumb;
                index = r.Mapping()[i].digit == Finger::Index ? i : index;
            }
            if (k == 2999) // the end of the held pinch
                gap = robot[thumb].DistTo(robot[index]);
        }
        state.counters["tip_err_mean_mm"] = errorSum / errors;
        state.counters["tip_err_max_mm"] = errorMax;
        state.counters["pinch_gap_mm"] = gap;
        state.counters["max_step_mrad"] = stepMax * 1000.0;
        state.counters["iterations_mean"] = iterations / static_cast<double>(motion.size());
    }

    void BM_Retarget_Solve(benchmark::State& state, const char* config, const char* solver)
    {
        auto r = Load(config, solver);
        if (!r)
        {
            state.SkipWithError("the configuration does not load");
            return;
        }
        const std::vector<HandPose>& motion = Motion();
        RobotJoints out;
        double t = 0.0;
        std::size_t frame = 0;
        for (; frame < 100; ++frame) // warm-up: storage sized, the filter started
            r->Solve(motion[frame], t += step, out);
        std::vector<double> times;
        std::vector<double> cpu;
        times.reserve(static_cast<std::size_t>(state.max_iterations));
        cpu.reserve(times.capacity());
        // Counted around each solve alone: the framework allocates around its loop.
        std::size_t news = 0;
        std::size_t mallocs = 0;
        for (auto _ : state)
        {
            const HandPose& pose = motion[frame++ % motion.size()];
            const std::size_t newsBefore = TSCoreBench::AllocationCount();
            const std::size_t mallocsBefore = TSCoreBench::MallocCount();
            const double cpuStart = ThreadSeconds();
            const auto start = std::chrono::steady_clock::now();
            const bool solved = r->Solve(pose, t += step, out);
            const auto end = std::chrono::steady_clock::now();
            cpu.push_back((ThreadSeconds() - cpuStart) * 1e6);
            news += TSCoreBench::AllocationCount() - newsBefore;
            mallocs += TSCoreBench::MallocCount() - mallocsBefore;
            benchmark::DoNotOptimize(solved);
            times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        const double solves = static_cast<double>(state.iterations());
        state.counters["news_per_solve"] = static_cast<double>(news) / solves;
        state.counters["mallocs_per_solve"] = static_cast<double>(mallocs) / solves;
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        state.counters["p50_us"] = times[times.size() / 2];
        state.counters["p99_us"] = times[times.size() * 99 / 100];
        state.counters["p99_cpu_us"] = cpu[cpu.size() * 99 / 100];
        state.counters["joints"] = static_cast<double>(out.positions.size());
        Quality(state, *r);
    }
}

BENCHMARK_CAPTURE(BM_Retarget_Solve, five_digit_dls, "five_digit_hand.yaml", "dls")
    ->Iterations(35000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Retarget_Solve, five_digit_slsqp, "five_digit_hand.yaml", "slsqp")
    ->Iterations(3500)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Retarget_Solve, three_finger_dls, "three_finger_hand.yaml", "dls")
    ->Iterations(35000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Retarget_Solve, three_finger_slsqp, "three_finger_hand.yaml", "slsqp")
    ->Iterations(3500)
    ->Unit(benchmark::kMicrosecond);
