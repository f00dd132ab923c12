// The C++ side of bench/python_pose_read.py: times HapticGlove::GetHandPose on the first glove
// of a running service, the same read that glove.hand_pose() makes from Python.
// Usage: tscore_pose_read_timer READS ROUNDS   (prints one "ns_per_read N" line per round)

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace TSCore;

int main(int argc, char** argv)
{
    const long reads = argc > 1 ? std::atol(argv[1]) : 20000;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 5;
    if (reads < 1 || rounds < 1)
    {
        std::fprintf(stderr, "usage: %s READS ROUNDS\n", argv[0]);
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
    for (long i = 0; i < reads / 10; ++i)
        complete += glove->GetHandPose(profile, pose) ? 1 : 0;
    for (long r = 0; r < rounds; ++r)
    {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < reads; ++i)
            complete += glove->GetHandPose(profile, pose) ? 1 : 0;
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("ns_per_read %.1f\n", elapsed.count() / static_cast<double>(reads));
    }
    std::printf("complete %ld\n", complete);
    return 0;
}
