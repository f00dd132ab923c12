// A hand pose through the C interface beside the same read in C++, interleaved in one loop so
// that both see the same service and the same machine load: the counters give each side's
// time per read and their ratio, and apart from it the copy of the pose's four arrays out to
// the caller (which a C++ caller reads in place).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>
#include <tscore_c.h>

#include "../tests/integration/SimProcess.h"
#include "AllocCounter.h"

namespace
{
    using Clock = std::chrono::steady_clock;

    // The C reads of one frame: the pose, then the four arrays a C caller copies out.
    struct CFrame
    {
        float angles[TSCORE_POSE_ANGLES];
        float positions[TSCORE_POSE_POSITIONS];
        float rotations[TSCORE_POSE_ROTATIONS];
        float flexion[TSCORE_POSE_FLEXION];

        void CopyOut(tscore_pose* pose)
        {
            tscore_pose_angles(pose, angles, TSCORE_POSE_ANGLES);
            tscore_pose_positions(pose, positions, TSCORE_POSE_POSITIONS);
            tscore_pose_rotations(pose, rotations, TSCORE_POSE_ROTATIONS);
            tscore_pose_flexion(pose, 0, flexion, TSCORE_POSE_FLEXION);
        }
    };

    /// cppRead(glove, profile, pose) is the C++ read the C one is measured against.
    template <class CppRead, class CRead, class CCopy>
    void AgainstCpp(benchmark::State& state, const char* kind, CppRead cppRead, CRead cRead, CCopy cCopy)
    {
        TSCoreTest::RemoveSegments();
        TSCoreTest::SimProcess sim;
        std::shared_ptr<TSCore::HapticGlove> glove;
        if (!sim.Launch({kind, "right", "--motion", "wave"}) || !TSCore::HapticGlove::GetGlove(glove))
        {
            state.SkipWithError("no glove");
            return;
        }
        TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
        TSCore::HandPose pose;
        cppRead(*glove, profile, pose);
        cRead(); // the first reads size the poses and the scratch
        Clock::duration cxx{};
        Clock::duration c{};
        Clock::duration copy{};
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
        {
            const auto t0 = Clock::now();
            benchmark::DoNotOptimize(cppRead(*glove, profile, pose));
            const auto t1 = Clock::now();
            benchmark::DoNotOptimize(cRead());
            const auto t2 = Clock::now();
            cCopy();
            copy += Clock::now() - t2;
            c += t2 - t1;
            cxx += t1 - t0;
        }
        const auto n = static_cast<double>(state.iterations());
        state.counters["cxx_ns"] = std::chrono::duration<double, std::nano>(cxx).count() / n;
        state.counters["c_ns"] = std::chrono::duration<double, std::nano>(c).count() / n;
        state.counters["arrays_ns"] = std::chrono::duration<double, std::nano>(copy).count() / n;
        state.counters["c/cxx"] = static_cast<double>(c.count()) / static_cast<double>(cxx.count());
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
        sim.Stop();
        TSCore::DeviceList::Dispose();
        TSCore::DeviceList::ReInitialize();
        TSCoreTest::RemoveSegments();
    }

    // tscore_glove_hand_pose and the arrays, against HapticGlove::GetHandPose.
    void BM_CApi_GloveHandPoseVsCpp(benchmark::State& state, const char* kind)
    {
        tscore_device* glove = nullptr;
        tscore_pose* pose = nullptr;
        CFrame frame;
        AgainstCpp(
            state, kind,
            [](TSCore::HapticGlove& g, TSCore::HandProfile& p, TSCore::HandPose& out) { return g.GetHandPose(p, out); },
            [&]
            {
                if (glove == nullptr)
                {
                    tscore_glove_open_first(TSCORE_SIDE_ANY, &glove);
                    tscore_pose_create(1, &pose);
                }
                return tscore_glove_hand_pose(glove, nullptr, pose);
            },
            [&] { frame.CopyOut(pose); });
        tscore_pose_destroy(pose);
        tscore_device_destroy(glove);
    }

    // The reader's pose with its state and the arrays, against ServiceReader::GetHandPose.
    void BM_CApi_ReaderHandPoseVsCpp(benchmark::State& state, const char* kind)
    {
        tscore_reader* reader = nullptr;
        tscore_pose* pose = nullptr;
        tscore_reading reading;
        CFrame frame;
        std::unique_ptr<TSCore::ServiceReader> cppReader;
        AgainstCpp(
            state, kind,
            [&](TSCore::HapticGlove&, TSCore::HandProfile& p, TSCore::HandPose& out)
            {
                if (!cppReader)
                    cppReader = std::make_unique<TSCore::ServiceReader>();
                cppReader->Update();
                return cppReader->GetHandPose(0, p, out);
            },
            [&]
            {
                if (reader == nullptr)
                {
                    tscore_reader_create(&reader);
                    tscore_pose_create(1, &pose);
                }
                tscore_reader_update(reader, nullptr);
                return tscore_reader_hand_pose(reader, 0, nullptr, pose, &reading);
            },
            [&] { frame.CopyOut(pose); });
        cppReader.reset();
        tscore_pose_destroy(pose);
        tscore_reader_destroy(reader);
    }
}

BENCHMARK_CAPTURE(BM_CApi_GloveHandPoseVsCpp, Tessara, "--tessara");
BENCHMARK_CAPTURE(BM_CApi_GloveHandPoseVsCpp, Kelvo, "--kelvo");
BENCHMARK_CAPTURE(BM_CApi_ReaderHandPoseVsCpp, Tessara, "--tessara");
