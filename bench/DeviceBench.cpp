// End to end against a real tesslink-sim process: what an application pays per frame,
// and how discovery and polling scale with the number of gloves.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "AllocCounter.h"
#include "SimSession.h"

using namespace TSCore;

namespace
{
    using TSCoreBench::SimSession;

    std::shared_ptr<HapticGlove> FirstGlove(benchmark::State& state)
    {
        std::shared_ptr<HapticGlove> glove;
        if (!HapticGlove::GetGlove(glove))
            state.SkipWithError("no glove");
        return glove;
    }

    void HandPoseThroughGlove(benchmark::State& state, const char* kind)
    {
        SimSession session({kind, "right", "--motion", "wave"});
        auto glove = FirstGlove(state);
        if (!glove)
            return;
        HandProfile profile = HandProfile::Default(true);
        HandPose pose;
        // Steady state: the first frame sizes the caller's pose and any scratch; later frames
        // are what an application pays per frame.
        glove->GetHandPose(profile, pose);
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            benchmark::DoNotOptimize(glove->GetHandPose(profile, pose));
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
    }

    void BM_Device_TessaraGetHandPose(benchmark::State& state) { HandPoseThroughGlove(state, "--tessara"); }
    void BM_Device_KelvoGetHandPose(benchmark::State& state) { HandPoseThroughGlove(state, "--kelvo"); }

    void BM_Device_SendHaptics(benchmark::State& state)
    {
        SimSession session({"--tessara", "right"});
        auto glove = FirstGlove(state);
        if (!glove)
            return;
        int level = 0;
        for (auto _ : state)
            glove->SendHaptics(Haptics::TS_BuzzCmd(level++ % 100, 0, 0, 0, 0));
        glove->StopHaptics();
    }

    void BM_Device_GetSensorDataString(benchmark::State& state)
    {
        SimSession session({"--tessara", "right"});
        std::string text;
        for (auto _ : state)
            benchmark::DoNotOptimize(DeviceList::GetSensorDataString("device0", text));
    }

    std::vector<std::string> Gloves(benchmark::State& state) { return {"--gloves", std::to_string(state.range(0))}; }

    void BM_Scale_GetHapticGloves(benchmark::State& state)
    {
        SimSession session(Gloves(state));
        for (auto _ : state)
            benchmark::DoNotOptimize(HapticGlove::GetHapticGloves());
    }

    void BM_Scale_GetGlove(benchmark::State& state)
    {
        SimSession session(Gloves(state));
        std::shared_ptr<HapticGlove> glove;
        for (auto _ : state)
            benchmark::DoNotOptimize(HapticGlove::GetGlove(false, glove));
    }

    void BM_Scale_PollEveryHandPose(benchmark::State& state)
    {
        SimSession session(Gloves(state));
        const auto gloves = HapticGlove::GetHapticGloves();
        if (gloves.size() != static_cast<std::size_t>(state.range(0)))
        {
            state.SkipWithError("not every glove discovered");
            return;
        }
        std::vector<HandProfile> profiles;
        for (const auto& g : gloves)
            profiles.push_back(HandProfile::Default(g->IsRight()));
        HandPose pose;
        for (auto _ : state)
            for (std::size_t i = 0; i < gloves.size(); ++i)
                benchmark::DoNotOptimize(gloves[i]->GetHandPose(profiles[i], pose));
        state.counters["gloves"] = static_cast<double>(gloves.size());
    }
}

BENCHMARK(BM_Device_TessaraGetHandPose);
BENCHMARK(BM_Device_KelvoGetHandPose);
BENCHMARK(BM_Device_SendHaptics);
BENCHMARK(BM_Device_GetSensorDataString);
BENCHMARK(BM_Scale_GetHapticGloves)->Arg(1)->Arg(4)->Arg(16)->Arg(64);
BENCHMARK(BM_Scale_GetGlove)->Arg(1)->Arg(4)->Arg(16)->Arg(64);
BENCHMARK(BM_Scale_PollEveryHandPose)->Arg(1)->Arg(4)->Arg(16)->Arg(64);
