// The C++ side of bench/python_pose_read.py: times the hand pose of the first glove of a running
// service, per call (HapticGlove::GetHandPose, which maps the segment for every read) or
// through a kept ServiceReader (Update, then GetHandPose), each read timed on its own.
// Usage: tscore_pose_read_timer READS ROUNDS [per-call|reader]
// Prints one "round MEDIAN_NS P99_NS MEAN_NS" line per round.

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace TSCore;

namespace
{
    using Clock = std::chrono::steady_clock;

    // One round: every read timed on its own, then its median, 99th percentile and mean.
    template <typename Read>
    void Round(std::vector<double>& ns, Read read)
    {
        double total = 0.0;
        for (double& t : ns)
        {
            const auto start = Clock::now();
            read();
            t = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
            total += t;
        }
        std::sort(ns.begin(), ns.end());
        const auto at = [&](double q) { return ns[static_cast<std::size_t>(q * static_cast<double>(ns.size() - 1))]; };
        std::printf("round %.1f %.1f %.1f\n", at(0.5), at(0.99), total / static_cast<double>(ns.size()));
    }

    template <typename Read>
    void Rounds(long reads, long rounds, Read read)
    {
        for (long i = 0; i < reads / 10; ++i)
            read();
        std::vector<double> ns(static_cast<std::size_t>(reads));
        for (long r = 0; r < rounds; ++r)
            Round(ns, read);
    }
}

int main(int argc, char** argv)
{
    const long reads = argc > 1 ? std::atol(argv[1]) : 20000;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 5;
    const bool reader = argc > 3 && std::strcmp(argv[3], "reader") == 0;
    if (reads < 1 || rounds < 1 || (argc > 3 && !reader && std::strcmp(argv[3], "per-call") != 0))
    {
        std::fprintf(stderr, "usage: %s READS ROUNDS [per-call|reader]\n", argv[0]);
        return 2;
    }
    std::shared_ptr<HapticGlove> glove;
    for (int i = 0; i < 500 && !HapticGlove::GetGlove(glove); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!glove)
    {
        std::fprintf(stderr, "no glove: start tesslink-sim first\n");
        return 1;
    }
    HandProfile profile = HandProfile::Default(glove->IsRight());
    HandPose pose;
    long complete = 0;
    if (reader)
    {
        ServiceReader service;
        const std::size_t at = service.FindGlove(glove->IsRight());
        Rounds(reads, rounds,
               [&]
               {
                   service.Update();
                   complete += service.GetHandPose(at, profile, pose) ? 1 : 0;
               });
    }
    else
        Rounds(reads, rounds, [&] { complete += glove->GetHandPose(profile, pose) ? 1 : 0; });
    std::printf("complete %ld\n", complete);
    return 0;
}
