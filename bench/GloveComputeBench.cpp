// Compute only: from a sensor string already in memory to a hand pose, for both glove
// families, with the heap allocations each hand pose costs.
#include <benchmark/benchmark.h>

#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_Profile.h>
#include <TSCore/Kelvo/Kelvo_SensorData.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_HandProfile.h>
#include <TSCore/TS/TS_SensorData.h>
#include <TSCore/TS/Tessara.h>
#include <TSCore/TS/TessaraVars.h>

#include "AllocCounter.h"

using namespace TSCore;
using TSCore::Kinematics::BasicHandModel;

namespace
{
    // The standard constants and sensor strings of a right exoskeleton glove.
    struct TessaraInput
    {
        TessaraInput()
        {
            TS::TS_GloveInfo::Parse(TS::TessaraVars::GetStdCString("QX7.2", 4.7f, true), info, true);
            sensor = TS::TessaraVars::GetSensorString("QX7.2", 0.0f);
        }
        TS::TS_GloveInfo info;
        std::string sensor;
        BasicHandModel model = BasicHandModel::Default(true);
        TS::TS_HandProfile profile = TS::TS_HandProfile::Default(true);
    };

    struct KelvoInput
    {
        KelvoInput() { Kelvo::Kelvo_GloveInfo::Parse("C:KV1-R0001:KV1:v2.1:R:4:0;0;0", info); }
        Kelvo::Kelvo_GloveInfo info;
        std::string sensor = "412;388|530|611|702:0.012;-0.020;0.383;0.924";
        BasicHandModel model = BasicHandModel::Default(true);
        Kelvo::Kelvo_Profile profile = Kelvo::Kelvo_Profile::Default(true);
    };

    void CountAllocations(benchmark::State& state, std::size_t before)
    {
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
    }

    void BM_Compute_TS_SensorDataParse(benchmark::State& state)
    {
        TessaraInput in;
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(TS::TS_SensorData::Parse(in.sensor, in.info));
        CountAllocations(state, before);
    }

    void BM_Compute_TessaraGlovePose(benchmark::State& state)
    {
        TessaraInput in;
        const TS::TS_SensorData data = TS::TS_SensorData::Parse(in.sensor, in.info);
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(TS::Tessara::CalculateGlovePose(data, in.info));
        CountAllocations(state, before);
    }

    void BM_Compute_TessaraHandPose(benchmark::State& state)
    {
        TessaraInput in;
        const TS::TS_GlovePose pose =
            TS::Tessara::CalculateGlovePose(TS::TS_SensorData::Parse(in.sensor, in.info), in.info);
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(TS::Tessara::CalculateHandPose(pose, in.model, in.profile));
        CountAllocations(state, before);
    }

    void BM_Compute_TessaraStringToHandPose(benchmark::State& state)
    {
        TessaraInput in;
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            const TS::TS_SensorData data = TS::TS_SensorData::Parse(in.sensor, in.info);
            const TS::TS_GlovePose pose = TS::Tessara::CalculateGlovePose(data, in.info);
            benchmark::DoNotOptimize(TS::Tessara::CalculateHandPose(pose, in.model, in.profile));
        }
        CountAllocations(state, before);
    }

    // One frame as GetHandPose computes it once the sensor string is read: parse, glove pose,
    // hand pose, into a pose the caller reuses from frame to frame.
    void BM_Compute_TessaraFrame(benchmark::State& state)
    {
        TessaraInput in;
        HandPose out;
        const auto frame = [&in, &out]
        {
            const TS::TS_SensorData data = TS::TS_SensorData::Parse(in.sensor, in.info);
            const TS::TS_GlovePose pose = TS::Tessara::CalculateGlovePose(data, in.info);
            out = TS::Tessara::CalculateHandPose(pose, in.model, in.profile);
        };
        frame();
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            frame();
            benchmark::DoNotOptimize(out.jointPositions.data());
        }
        CountAllocations(state, before);
    }

    void BM_Compute_KelvoFrame(benchmark::State& state)
    {
        KelvoInput in;
        HandPose out;
        const auto frame = [&in, &out]
        {
            const Kelvo::Kelvo_SensorData data = Kelvo::Kelvo_SensorData::Parse(in.sensor, in.info);
            out = Kelvo::Kelvo::CalculateHandPose(in.model, data, in.profile);
        };
        frame();
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            frame();
            benchmark::DoNotOptimize(out.jointPositions.data());
        }
        CountAllocations(state, before);
    }

    void BM_Compute_Kelvo_SensorDataParse(benchmark::State& state)
    {
        KelvoInput in;
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(Kelvo::Kelvo_SensorData::Parse(in.sensor, in.info));
        CountAllocations(state, before);
    }

    void BM_Compute_KelvoHandPose(benchmark::State& state)
    {
        KelvoInput in;
        Kelvo::Kelvo_SensorData data = Kelvo::Kelvo_SensorData::Parse(in.sensor, in.info);
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(Kelvo::Kelvo::CalculateHandPose(in.model, data, in.profile));
        CountAllocations(state, before);
    }

    void BM_Compute_KelvoStringToHandPose(benchmark::State& state)
    {
        KelvoInput in;
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            Kelvo::Kelvo_SensorData data = Kelvo::Kelvo_SensorData::Parse(in.sensor, in.info);
            benchmark::DoNotOptimize(Kelvo::Kelvo::CalculateHandPose(in.model, data, in.profile));
        }
        CountAllocations(state, before);
    }
}

BENCHMARK(BM_Compute_TS_SensorDataParse);
BENCHMARK(BM_Compute_TessaraGlovePose);
BENCHMARK(BM_Compute_TessaraHandPose);
BENCHMARK(BM_Compute_TessaraStringToHandPose);
BENCHMARK(BM_Compute_TessaraFrame);
BENCHMARK(BM_Compute_Kelvo_SensorDataParse);
BENCHMARK(BM_Compute_KelvoHandPose);
BENCHMARK(BM_Compute_KelvoStringToHandPose);
BENCHMARK(BM_Compute_KelvoFrame);
