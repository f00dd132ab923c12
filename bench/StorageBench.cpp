// Storage texts of the objects an application saves and restores most.
#include <benchmark/benchmark.h>

#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

using namespace TSCore;

namespace
{
    void BM_Storage_HandProfileSerialize(benchmark::State& state)
    {
        const HandProfile profile = HandProfile::Default(true);
        for (auto _ : state)
            benchmark::DoNotOptimize(profile.Serialize());
    }

    void BM_Storage_HandProfileDeserialize(benchmark::State& state)
    {
        const std::string text = HandProfile::Default(true).Serialize();
        for (auto _ : state)
            benchmark::DoNotOptimize(HandProfile::Deserialize(text));
        state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    }

    void BM_Storage_HandPoseSerialize(benchmark::State& state)
    {
        const HandPose pose = HandPose::DefaultIdle(true);
        for (auto _ : state)
            benchmark::DoNotOptimize(pose.Serialize());
    }

    void BM_Storage_HandPoseDeserialize(benchmark::State& state)
    {
        const std::string text = HandPose::DefaultIdle(true).Serialize();
        for (auto _ : state)
            benchmark::DoNotOptimize(HandPose::Deserialize(text));
        state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    }
}

BENCHMARK(BM_Storage_HandProfileSerialize);
BENCHMARK(BM_Storage_HandProfileDeserialize);
BENCHMARK(BM_Storage_HandPoseSerialize);
BENCHMARK(BM_Storage_HandPoseDeserialize);
