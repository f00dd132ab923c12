// The C++ side of the C# reader comparison (csharp/Bench/PoseReadBench.cs --reader): times
// ServiceReader::Update and GetHandPose on the first glove of a running service.
// Usage: tscore_reader_read_timer READS ROUNDS   (prints one "ns_per_read N" line per round)

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    const long reads = argc > 1 ? std::atol(argv[1]) : 20000;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 5;
    if (reads < 1 || rounds < 1)
    {
        std::fprintf(stderr, "usage: %s READS ROUNDS\n", argv[0]);
        return 2;
    }
    TSCore::ServiceReader reader;
    std::size_t glove = TSCore::ServiceReader::npos;
    for (int i = 0; i < 500 && glove == TSCore::ServiceReader::npos; ++i)
    {
        reader.Refresh();
        glove = reader.FindGlove(true) != TSCore::ServiceReader::npos ? reader.FindGlove(true) : reader.FindGlove(false);
        if (glove == TSCore::ServiceReader::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (glove == TSCore::ServiceReader::npos)
    {
        std::fprintf(stderr, "no glove: start tesslink-sim first\n");
        return 1;
    }
    const TSCore::HandProfile profile = TSCore::HandProfile::Default(reader.Info(glove).isRight);
    TSCore::HandPose pose;
    long complete = 0;
    for (long i = 0; i < reads / 10; ++i)
        complete += reader.GetHandPose(glove, profile, pose) ? 1 : 0;
    for (long r = 0; r < rounds; ++r)
    {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < reads; ++i)
        {
            reader.Update();
            complete += reader.GetHandPose(glove, profile, pose) ? 1 : 0;
        }
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("ns_per_read %.1f\n", elapsed.count() / static_cast<double>(reads));
    }
    std::printf("complete %ld\n", complete);
    return 0;
}
