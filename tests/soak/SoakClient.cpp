// A client for the soak: reads the hand pose of every glove and sends haptics to one of them
// in a loop without pause, the way an application's frame loop hammers the library. The
// "reader" client keeps the segments mapped (ServiceReader), the "api" client goes through the
// per-call API. On SIGTERM or SIGINT it sends one last command, which the soak then expects
// the simulator to have received, prints it in the simulator's words and its counts, and exits.
//
//   tscore-soak-client reader|api DEVICE_INDEX

#include <TSCore/TSCore.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace
{
    using namespace TSCore;

    volatile sig_atomic_t stopRequested = 0;
    extern "C" void OnStop(int) { stopRequested = 1; }

    struct Counts
    {
        unsigned long long loops = 0;
        unsigned long long poses = 0;
        unsigned long long commands = 0;
    };

    // Levels that change on every loop; the last command never takes these values.
    void SendLoopCommand(HapticGlove& glove, unsigned long long loop)
    {
        const int level = static_cast<int>(loop % 100);
        glove.SendHaptics(Haptics::TS_FFBCmd(level, level, level, level, level),
                          Haptics::TS_BuzzCmd(99 - level, 99 - level, 99 - level, 99 - level, 99 - level));
    }

    const Haptics::TS_FFBCmd lastFfb(11, 22, 33, 44, 55);
    const Haptics::TS_BuzzCmd lastBuzz(66, 77, 88, 99, 1);

    // The last command as the simulator prints it: a Kelvo has four force and two vibration channels.
    std::string LastCommandText(HapticGlove& glove)
    {
        return glove.GetDeviceType() == DeviceType::Kelvo ? "ffb=11,22,33,44 buzz=66,77"
                                                          : "ffb=11,22,33,44,55 buzz=66,77,88,99,1";
    }

    std::shared_ptr<HapticGlove> RunReader(int device, Counts& counts)
    {
        ServiceReader reader;
        const HandProfile right = HandProfile::Default(true);
        const HandProfile left = HandProfile::Default(false);
        HandPose pose;
        while (stopRequested == 0)
        {
            reader.Update();
            for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
                if (reader.Info(i).isGlove && reader.GetHandPose(i, reader.Info(i).isRight ? right : left, pose))
                    ++counts.poses;
            const std::size_t at = reader.FindIndex(device);
            if (const auto glove = at == ServiceReader::npos ? nullptr : reader.Glove(at))
            {
                SendLoopCommand(*glove, counts.loops);
                ++counts.commands;
            }
            ++counts.loops;
        }
        const std::size_t at = reader.FindIndex(device);
        return at == ServiceReader::npos ? nullptr : reader.Glove(at);
    }

    std::shared_ptr<HapticGlove> FindGlove(int device)
    {
        for (const auto& glove : HapticGlove::GetHapticGloves())
            if (glove->GetDeviceIndex() == device)
                return glove;
        return nullptr;
    }

    std::shared_ptr<HapticGlove> RunApi(int device, Counts& counts)
    {
        HandProfile right = HandProfile::Default(true);
        HandProfile left = HandProfile::Default(false);
        HandPose pose;
        while (stopRequested == 0)
        {
            for (const auto& glove : HapticGlove::GetHapticGloves())
            {
                if (glove->GetHandPose(glove->IsRight() ? right : left, pose))
                    ++counts.poses;
                if (glove->GetDeviceIndex() == device)
                {
                    SendLoopCommand(*glove, counts.loops);
                    ++counts.commands;
                }
            }
            ++counts.loops;
        }
        return FindGlove(device);
    }
}

int main(int argc, char** argv)
{
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "reader" && mode != "api")
    {
        std::fprintf(stderr, "usage: tscore-soak-client reader|api DEVICE_INDEX\n");
        return 2;
    }
    const int device = std::atoi(argv[2]);
    signal(SIGTERM, OnStop);
    signal(SIGINT, OnStop);
    Counts counts;
    const auto glove = mode == "reader" ? RunReader(device, counts) : RunApi(device, counts);
    if (glove == nullptr)
    {
        std::printf("last device%d none: the glove is not announced\n", device);
        return 1;
    }
    glove->SendHaptics(lastFfb, lastBuzz);
    std::printf("last device%d %s\n", device, LastCommandText(*glove).c_str());
    std::printf("stats loops=%llu poses=%llu commands=%llu\n", counts.loops, counts.poses, counts.commands);
    return 0;
}
