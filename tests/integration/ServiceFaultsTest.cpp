// Faults of the connection service, end to end against the real simulator: the library keeps
// answering as documented while the service is gone or broken, and recovers when it is back.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include "SimTest.h"

using namespace TSCore;
using TSCoreTest::SimProcess;

namespace
{
    class ServiceFaults : public TSCoreTest::SimTest
    {
    protected:
        static std::shared_ptr<HapticGlove> First()
        {
            std::shared_ptr<HapticGlove> glove;
            HapticGlove::GetGlove(glove);
            return glove;
        }
    };
}

TEST_F(ServiceFaults, KilledServiceGoesStaleAndARestartIsPickedUp)
{
    auto sim = std::make_unique<SimProcess>();
    ASSERT_TRUE(sim->Launch({"--tessara", "right", "--scan-offset=-8"}));
    auto glove = First();
    ASSERT_NE(glove, nullptr);
    HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    ASSERT_TRUE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(DeviceList::TessLinkRunning());

    sim->Stop(SIGKILL); // no clean-up: the segments stay, the stamp ages
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    EXPECT_TRUE(glove->GetHandPose(profile, pose)) << "the last published reading is still there";

    // The same glove again: the cached object keeps working.
    sim = std::make_unique<SimProcess>();
    ASSERT_TRUE(sim->Launch({"--tessara", "right"}));
    EXPECT_TRUE(DeviceList::TessLinkRunning());
    EXPECT_TRUE(glove->GetHandPose(profile, pose));
    EXPECT_EQ(First(), glove);
    sim->Stop();

    // A different set: the cached exoskeleton glove now reads a second-model text and answers
    // with the idle pose; the new device at a new index is discovered; rediscovery sees all.
    sim = std::make_unique<SimProcess>();
    ASSERT_TRUE(sim->Launch({"--kelvo", "left", "--kelvo", "right"}));
    EXPECT_FALSE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(true)));
    auto gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u);
    EXPECT_EQ(gloves[0], glove);
    EXPECT_EQ(gloves[1]->GetDeviceType(), DeviceType::Kelvo);
    DeviceList::Dispose();
    DeviceList::ReInitialize();
    gloves = HapticGlove::GetHapticGloves();
    ASSERT_EQ(gloves.size(), 2u);
    EXPECT_EQ(gloves[0]->GetDeviceType(), DeviceType::Kelvo);
    EXPECT_TRUE(gloves[0]->GetHandPose(profile, pose));
    sim->Stop();
}

TEST_F(ServiceFaults, FullHapticsSegmentFailsSendsWithoutHarm)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Launch({"--gloves", "64"}));
    int sent = 0;
    int failed = 0;
    for (TS::Tessara glove : TS::Tessara::GetTessaras(false))
    {
        const bool ok = glove.SendHaptics(Haptics::TS_FFBCmd(50, 50, 50, 50, 50), Haptics::TS_BuzzCmd::off,
                                          Haptics::TS_ThumperCmd::None);
        (ok ? sent : failed)++;
        if (!ok)
        {
            EXPECT_EQ(glove.lastFFB.GetLevels(), std::vector<int>(5, 0)) << "a failed send changes nothing";
        }
    }
    EXPECT_EQ(sent + failed, 64);
    EXPECT_GT(sent, 0);
    EXPECT_GT(failed, 0) << "64 commands do not fit into 4096 bytes";
    // Commands already in the segment can still be replaced.
    TS::Tessara first;
    ASSERT_TRUE(TS::Tessara::GetTessara(first));
    EXPECT_TRUE(first.SendHaptics(Haptics::TS_ThumperCmd::Tap));
    sim.Stop();
}

TEST_F(ServiceFaults, SegmentsRemovedUnderAHeldGlove)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Launch({"--kelvo", "right"}));
    auto glove = First();
    ASSERT_NE(glove, nullptr);
    HandProfile profile = HandProfile::Default(true);
    HandPose pose;
    ASSERT_TRUE(glove->GetHandPose(profile, pose));

    TSCoreTest::RemoveSegments();
    EXPECT_FALSE(glove->GetHandPose(profile, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(true)));
    EXPECT_FALSE(glove->IsConnected());
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    EXPECT_EQ(DeviceList::ActiveDevices(), 1) << "the cache keeps the glove";
    glove->StopHaptics(); // recreates "Haptics" for nobody; must not fail loudly
    sim.Stop();

    SimProcess again;
    ASSERT_TRUE(again.Launch({"--kelvo", "right"}));
    EXPECT_TRUE(glove->GetHandPose(profile, pose));
    again.Stop();
}
