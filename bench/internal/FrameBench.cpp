// One frame of GetHandPose once the sensor text is read, through the library's own pose path:
// the compute-only cost of a frame and its heap allocations in steady state. The path is hidden
// in the shared library, so this binary runs a static copy of the library built the same way.
#include <benchmark/benchmark.h>

#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_Profile.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_HandProfile.h>
#include <TSCore/TS/TessaraVars.h>

#include "../AllocCounter.h"
#include "Kelvo/KelvoPose.h"
#include "TS/ExoskeletonPose.h"

using namespace TSCore;

namespace
{
    template <typename Frame>
    void SteadyState(benchmark::State& state, Frame frame)
    {
        frame(); // the first frame sizes the reused storage
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            frame();
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
    }

    void BM_Frame_Tessara(benchmark::State& state)
    {
        TS::TS_GloveInfo info;
        TS::TS_GloveInfo::Parse(TS::TessaraVars::GetStdCString("QX7.2", 4.7f, true), info, true);
        const std::string sensor = TS::TessaraVars::GetSensorString("QX7.2", 0.0f);
        const Kinematics::BasicHandModel model = Kinematics::BasicHandModel::Default(true);
        const TS::TS_HandProfile profile = TS::TS_HandProfile::Default(true);
        TS::detail::ExoskeletonFrame frame;
        HandPose out;
        SteadyState(state,
                    [&]
                    {
                        if (TS::detail::GlovePoseFromText(sensor, info, frame))
                            TS::detail::SolveHand(frame.totals, model, profile, out);
                        benchmark::DoNotOptimize(out.jointPositions.data());
                    });
    }

    void BM_Frame_Kelvo(benchmark::State& state)
    {
        Kelvo::Kelvo_GloveInfo info;
        Kelvo::Kelvo_GloveInfo::Parse("C:KV1-R0001:KV1:v2.1:R:4:0;0;0", info);
        const std::string sensor = "412;388|530|611|702:0.012;-0.020;0.383;0.924";
        const Kinematics::BasicHandModel model = Kinematics::BasicHandModel::Default(true);
        const Kelvo::Kelvo_Profile profile = Kelvo::Kelvo_Profile::Default(true);
        Kelvo::Kelvo_SensorData reading;
        HandPose out;
        SteadyState(state,
                    [&]
                    {
                        Kelvo::detail::ReadSensors(sensor, info, reading);
                        Kelvo::detail::SolveHand(model, reading, profile, out);
                        benchmark::DoNotOptimize(out.jointPositions.data());
                    });
    }
}

BENCHMARK(BM_Frame_Tessara);
BENCHMARK(BM_Frame_Kelvo);
