// The OpenXR joints of a hand pose: what the hand-tracking layer adds to every located hand.
#include <benchmark/benchmark.h>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include "AllocCounter.h"

namespace
{
    void BM_Compute_OpenXRHandJoints(benchmark::State& state)
    {
        const TSCore::HandPose pose = TSCore::HandPose::DefaultIdle(true);
        const TSCore::Kinematics::BasicHandModel model = TSCore::Kinematics::BasicHandModel::Default(true);
        const TSCore::OpenXRHand::Pose wrist{TSCore::Kinematics::Quat(0.1f, 0.2f, 0.3f, 0.927f),
                                             TSCore::Kinematics::Vect3D(0.2f, 1.1f, -0.3f)};
        TSCore::OpenXRHand::Locations out;
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            TSCore::OpenXRHand::Locate(pose, model, true, wrist, out);
            benchmark::DoNotOptimize(out.jointLocations.data());
        }
        state.counters["allocs/op"] = benchmark::Counter(
            static_cast<double>(TSCoreBench::AllocationCount() - before), benchmark::Counter::kAvgIterations);
    }
}

BENCHMARK(BM_Compute_OpenXRHandJoints);
