// The device link against real shared memory: a real tesslink-sim process, and segments
// written by the test itself where a case needs exact control of what the service holds.

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>

#include <TSCore/Devices/BetaDevice.h>
#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Diagnostics/Debugger.h>

#include "../unit/support/LogCapture.h"
#include "SimTest.h"

namespace bip = boost::interprocess;
using TSCore::BetaDevice;
using TSCore::DeviceList;
using TSCore::TSDevice;
using TSCoreTest::SimProcess;

namespace
{
    using ShmString = bip::basic_string<char, std::char_traits<char>,
                                        bip::allocator<char, bip::managed_shared_memory::segment_manager>>;

    /// A service written by hand: the test decides every object of "Devices" and "Data".
    class HandService
    {
    public:
        HandService() : devices(bip::create_only, "Devices", 65536), data(bip::create_only, "Data", 65536) {}
        void Put(bip::managed_shared_memory& segment, const std::string& name, const std::string& value)
        {
            segment.find_or_construct<ShmString>(name.c_str())(segment.get_segment_manager())
                ->assign(value.data(), value.size());
        }
        void Device(const std::string& name, const std::string& value) { Put(devices, name, value); }
        void Data(const std::string& name, const std::string& value) { Put(data, name, value); }
        void Stamp(long offset)
        {
            Device("scanActive", std::to_string(static_cast<long>(std::time(nullptr)) + offset));
        }

        bip::managed_shared_memory devices;
        bip::managed_shared_memory data;
    };

    class DeviceLink : public TSCoreTest::SimTest
    {
    protected:
        std::shared_ptr<BetaDevice> Beta(int i)
        {
            auto all = DeviceList::GetDevices();
            return i < static_cast<int>(all.size()) ? std::dynamic_pointer_cast<BetaDevice>(all[static_cast<std::size_t>(i)]) : nullptr;
        }
    };
}

TEST_F(DeviceLink, ServiceNotRunningFailsQuietlyAndCreatesHaptics)
{
    EXPECT_EQ(DeviceList::ActiveDevices(), 0);
    EXPECT_TRUE(DeviceList::GetDevices().empty());
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    std::string text = "stale";
    EXPECT_FALSE(DeviceList::GetSensorDataString("device0", text));
    EXPECT_EQ(text, "");

    ASSERT_TRUE(DeviceList::SendHaptics("device0", std::string("{Z\x01\x02}") + '\0' + "tail"));
    bip::managed_shared_memory haptics(bip::open_read_only, "Haptics");
    EXPECT_EQ(haptics.get_size(), 4096u);
    const ShmString* command = haptics.find_no_lock<ShmString>("device0").first;
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(std::string(command->c_str()), "{Z\x01\x02}"); // cut at the first NUL

    // A shorter command replaces the whole previous one.
    ASSERT_TRUE(DeviceList::SendHaptics("device0", "ab"));
    EXPECT_EQ(std::string(command->c_str()), "ab");
}

TEST_F(DeviceLink, DiscoversEachDeviceOnceWithIndexAndKey)
{
    ASSERT_TRUE(sim.Launch({"--beta", "dev7:HW2:v1.4", "--beta", "dev8:HW3:v2.0"}));
    EXPECT_TRUE(DeviceList::TessLinkRunning());
    auto first = DeviceList::GetDevices();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0]->GetDeviceIndex(), 0);
    EXPECT_EQ(first[0]->GetDeviceKey(), "device0");
    EXPECT_EQ(first[0]->GetDeviceID(), "dev7");
    EXPECT_EQ(first[1]->GetDeviceKey(), "device1");
    EXPECT_EQ(first[1]->GetFirmwareString(), "2.0");

    TSCoreTest::LogCapture log;
    auto second = DeviceList::GetDevices();
    EXPECT_EQ(log.Take(), "") << "a refresh with nothing new reads only the count";
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);
}

TEST_F(DeviceLink, CountRisesAndFallsWithoutLosingDevices)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0", "--beta", "b:H:v1.0"}));
    EXPECT_EQ(DeviceList::ActiveDevices(), 2);
    ASSERT_TRUE(sim.Control("record 2 1@60@-1@{c:H:v1.0}@sim:2@2"));
    ASSERT_TRUE(sim.Control("ndevices 3"));
    EXPECT_EQ(DeviceList::ActiveDevices(), 3);
    EXPECT_EQ(Beta(2)->GetDeviceID(), "c");
    ASSERT_TRUE(sim.Control("ndevices 1"));
    EXPECT_EQ(DeviceList::ActiveDevices(), 3);
}

TEST_F(DeviceLink, RejectedRecordsAreSkippedAndRetriedInPlace)
{
    ASSERT_TRUE(sim.Launch({"--record", "1@60@-1@{short}", "--record", "1@60@7@{x}@a@0", "--beta", "ok:H:v1.0"}));
    auto devices = DeviceList::GetDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->GetDeviceID(), "ok");
    EXPECT_EQ(devices[0]->GetDeviceIndex(), 2);

    // The first record becomes readable: it is cached with its own index, and the device
    // already cached is not appended a second time.
    ASSERT_TRUE(sim.Control("record 0 1@60@-1@{late:H:v1.0}@a@0"));
    devices = DeviceList::GetDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1]->GetDeviceID(), "late");
    EXPECT_EQ(devices[1]->GetDeviceIndex(), 0);
    EXPECT_EQ(DeviceList::GetDevices().size(), 2u);
}

TEST_F(DeviceLink, DisposeBlocksDiscoveryUntilReInitialize)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0"}));
    auto before = DeviceList::GetDevices();
    ASSERT_EQ(before.size(), 1u);
    DeviceList::Dispose();
    EXPECT_EQ(DeviceList::ActiveDevices(), 0);
    DeviceList::Dispose();
    DeviceList::ReInitialize();
    auto after = DeviceList::GetDevices();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], before[0]) << "rediscovery creates new objects";
    // A device held across Dispose still reads through the link.
    EXPECT_TRUE(before[0]->IsConnected());
}

TEST_F(DeviceLink, ConnectionFactsAreReadAfreshFromTheRecord)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0", "--rate", "100"}));
    auto device = Beta(0);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->IsConnected());
    EXPECT_EQ(device->GetAddress(), "sim:0");
    EXPECT_EQ(device->GetConnectionType(), TSDevice::ConnectionType::Usb);
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    EXPECT_GT(device->PacketsPerSecond(), 20) << "the service reports the rate it achieves";

    ASSERT_TRUE(sim.Control("disconnect 0"));
    EXPECT_FALSE(device->IsConnected());
    ASSERT_TRUE(sim.Control("record 0 10@99999999999@-1@{a:H:v1.0}@elsewhere@88888888888"));
    EXPECT_TRUE(device->IsConnected());
    EXPECT_EQ(device->PacketsPerSecond(), 0);
    EXPECT_EQ(device->GetConnectionType(), TSDevice::ConnectionType::Unknown);
    EXPECT_EQ(device->GetAddress(), "elsewhere");
    ASSERT_TRUE(sim.Control("record 0 01@60@-1@{a:H:v1.0}@x@1"));
    EXPECT_FALSE(device->IsConnected());
}

TEST_F(DeviceLink, SensorTextAndCommandsPassThroughABetaDevice)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0"}));
    auto device = Beta(0);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetSensorData().rfind("beta ", 0), 0u) << device->GetSensorData();
    ASSERT_TRUE(sim.Control("data 0 fixed text"));
    EXPECT_EQ(device->GetSensorData(), "fixed text");

    ASSERT_TRUE(device->SendHaptics(std::string("hi\x01\x7f\xff")));
    auto line = sim.WaitForPrefix("haptics device0");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "haptics device0 beta raw=6869017fff");
}

TEST_F(DeviceLink, ServiceStoppedAndRestarted)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0"}));
    auto device = Beta(0);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    EXPECT_EQ(device->GetSensorData(), "");
    EXPECT_FALSE(device->IsConnected());
    EXPECT_EQ(DeviceList::ActiveDevices(), 1);

    SimProcess again;
    ASSERT_TRUE(again.Launch({"--beta", "a:H:v1.0"}));
    EXPECT_TRUE(DeviceList::TessLinkRunning());
    EXPECT_TRUE(device->IsConnected());
    EXPECT_NE(device->GetSensorData(), "");
    EXPECT_EQ(DeviceList::ActiveDevices(), 1);
    again.Stop();
}

TEST_F(DeviceLink, StaleAndFutureTimeStamps)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0", "--stale"}));
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    ASSERT_TRUE(sim.Control("scan 100"));
    EXPECT_TRUE(DeviceList::TessLinkRunning());
    ASSERT_TRUE(sim.Control("scan -30"));
    EXPECT_FALSE(DeviceList::TessLinkRunning());
}

TEST_F(DeviceLink, CrashedServiceLeavesReadableButStaleSegments)
{
    ASSERT_TRUE(sim.Launch({"--beta", "a:H:v1.0", "--crash-after", "1"}));
    EXPECT_NE(sim.Wait(std::chrono::seconds(10)), 0);
    EXPECT_EQ(DeviceList::ActiveDevices(), 1) << "the segments outlive a crashed service";
    EXPECT_NE(Beta(0)->GetSensorData(), "");
}

TEST_F(DeviceLink, TimeStampBoundaryIsTenSeconds)
{
    HandService service;
    // The clock may tick between writing and reading; retry until both fall in one second.
    auto check = [&](long offset)
    {
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            const std::time_t before = std::time(nullptr);
            service.Stamp(offset);
            const bool running = DeviceList::TessLinkRunning();
            if (std::time(nullptr) == before)
                return running;
        }
        ADD_FAILURE() << "clock kept ticking";
        return false;
    };
    EXPECT_TRUE(check(0));
    EXPECT_TRUE(check(-9));
    EXPECT_FALSE(check(-10));
    EXPECT_TRUE(check(100));

    service.Device("scanActive", "soon");
    TSCoreTest::LogCapture log(TSCore::Diagnostics::DebugLevel::Errors);
    EXPECT_FALSE(DeviceList::TessLinkRunning());
    EXPECT_EQ(log.Take(), "Error checking UpdateTime:\nstoi\n");
    service.Device("scanActive", "99999999999");
    EXPECT_FALSE(DeviceList::TessLinkRunning());
}

TEST_F(DeviceLink, HostileCountsAndRecordsAreSurvived)
{
    HandService service;
    service.Stamp(0);
    service.Device("nDevices", "99999999999");
    EXPECT_EQ(DeviceList::ActiveDevices(), 0);
    service.Device("nDevices", "not a number");
    EXPECT_EQ(DeviceList::ActiveDevices(), 0);
    service.Device("nDevices", "-4");
    EXPECT_EQ(DeviceList::ActiveDevices(), 0);

    // A huge count with few records costs a bounded scan, not one lookup per claimed index.
    service.Device("nDevices", "2000000000");
    service.Device("device0", "1@1@99999999999@{x}@a@0");
    service.Device("device1", "1@1@-1@{b:H:v1.0}@a@0");
    service.Device("device2", std::string(3000, '@'));
    service.Device("device3", "@@@@@");
    service.Device("device4", "1@1@-1@{@a@0");
    // device4's constants field is a lone '{': an empty beta constants text, accepted.
    EXPECT_EQ(DeviceList::ActiveDevices(), 2);
    auto devices = DeviceList::GetDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->GetDeviceIndex(), 1);
    EXPECT_EQ(devices[1]->GetDeviceIndex(), 4);
    EXPECT_EQ(devices[1]->GetDeviceID(), "N\\A");
}
