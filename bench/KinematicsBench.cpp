// The kinematics that every hand-pose request runs: interpolation and forward kinematics.
#include <benchmark/benchmark.h>

#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/HandInterpolator.h>
#include <TSCore/Kinematics/JointKinematics.h>

using namespace TSCore::Kinematics;

namespace
{
    void BM_Compute_ForwardKinematicsOneDigit(benchmark::State& state)
    {
        BasicHandModel model = BasicHandModel::Default(true);
        const std::vector<Vect3D> angles(3, Vect3D(0, 0.4f, 0.05f));
        std::vector<Vect3D> positions;
        std::vector<Quat> rotations;
        for (auto _ : state)
        {
            JointKinematics::ForwardKinematics(model, TSCore::Finger::Index, angles, positions, rotations);
            benchmark::DoNotOptimize(positions.data());
        }
    }

    void BM_Compute_InterpolateHandAngles(benchmark::State& state)
    {
        HandInterpolator h = HandInterpolator::Default(true);
        const std::vector<Vect3D> sensors(5, Vect3D(0, 1.1f, -0.2f));
        for (auto _ : state)
            benchmark::DoNotOptimize(HandInterpolator::InterpolateHandAngles(h, sensors));
    }
}

BENCHMARK(BM_Compute_ForwardKinematicsOneDigit);
BENCHMARK(BM_Compute_InterpolateHandAngles);
