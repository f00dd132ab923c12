// The kept-mapping reader against a real tesslink-sim process, beside the per-call floor of the
// same run: a frame's hand pose through the reader, its parts (the text read with its validity
// check, the pose computed from a text in hand) and the full check Update() makes every 100 ms.
#include <benchmark/benchmark.h>

#include <string>

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "AllocCounter.h"
#include "SimSession.h"

using namespace TSCore;

namespace
{
    using TSCoreBench::SimSession;

    // Steady state: the first call sizes the reused storage; allocs/op counts the rest.
    template <typename Frame>
    void SteadyState(benchmark::State& state, Frame frame)
    {
        frame();
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            frame();
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
    }

    // A frame as an application runs it: Update(), then the hand pose of the first glove.
    void HandPoseThroughReader(benchmark::State& state, const char* kind)
    {
        SimSession session({kind, "right", "--motion", "wave"});
        ServiceReader reader;
        if (reader.DeviceCount() == 0)
        {
            state.SkipWithError("no glove");
            return;
        }
        const HandProfile profile = HandProfile::Default(true);
        HandPose pose;
        SteadyState(state,
                    [&]
                    {
                        reader.Update();
                        benchmark::DoNotOptimize(reader.GetHandPose(0, profile, pose));
                    });
    }

    void BM_Reader_TessaraGetHandPose(benchmark::State& state) { HandPoseThroughReader(state, "--tessara"); }
    void BM_Reader_KelvoGetHandPose(benchmark::State& state) { HandPoseThroughReader(state, "--kelvo"); }

    // The compute-only part: the same frame from a text in hand.
    void PoseFromText(benchmark::State& state, const char* kind)
    {
        SimSession session({kind, "right", "--motion", "wave"});
        ServiceReader reader;
        if (reader.DeviceCount() == 0 || !reader.Read(0).Ok())
        {
            state.SkipWithError("no glove");
            return;
        }
        const std::string text(reader.Text(0));
        HapticGlove& glove = *reader.Glove(0);
        const HandProfile profile = HandProfile::Default(true);
        HandPose pose;
        SteadyState(state,
                    [&] { benchmark::DoNotOptimize(ServiceReader::HandPoseFromText(glove, text, profile, pose)); });
    }

    void BM_Reader_TessaraHandPoseFromText(benchmark::State& state) { PoseFromText(state, "--tessara"); }
    void BM_Reader_KelvoHandPoseFromText(benchmark::State& state) { PoseFromText(state, "--kelvo"); }

    // The sensor text alone: the fstat of "Data", the confirmed copy, the change detection.
    void BM_Reader_Read(benchmark::State& state)
    {
        SimSession session({"--tessara", "right"});
        ServiceReader reader;
        SteadyState(state, [&] { benchmark::DoNotOptimize(reader.Read(0)); });
    }

    // The full check with N gloves: both segments' fstat, the stamp, the count, every record.
    void BM_Reader_Refresh(benchmark::State& state)
    {
        SimSession session({"--gloves", std::to_string(state.range(0))});
        ServiceReader reader;
        SteadyState(state, [&] { benchmark::DoNotOptimize(reader.Refresh()); });
        state.counters["gloves"] = static_cast<double>(reader.DeviceCount());
    }
}

BENCHMARK(BM_Reader_TessaraGetHandPose);
BENCHMARK(BM_Reader_KelvoGetHandPose);
BENCHMARK(BM_Reader_TessaraHandPoseFromText);
BENCHMARK(BM_Reader_KelvoHandPoseFromText);
BENCHMARK(BM_Reader_Read);
BENCHMARK(BM_Reader_Refresh)->Arg(1)->Arg(4)->Arg(16);
