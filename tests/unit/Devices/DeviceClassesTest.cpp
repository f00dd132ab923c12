#include <gtest/gtest.h>

#include <memory>

#include <TSCore/Devices/BetaDevice.h>
#include <TSCore/Devices/DeviceModel.h>

#include "../support/LogCapture.h"

using TSCore::BetaDevice;
using TSCore::DeviceModel;
using TSCore::DeviceType;
using TSCore::TSDevice;

namespace
{
    std::shared_ptr<BetaDevice> ParseBeta(const std::string& text)
    {
        return std::static_pointer_cast<BetaDevice>(BetaDevice::Parse(text));
    }
}

TEST(BetaDeviceParse, ReadsIdentityHardwareAndFirmware)
{
    auto device = ParseBeta("dev7:HW2:v1.4");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetDeviceID(), "dev7");
    EXPECT_EQ(device->GetHardwareVersion(), "HW2");
    EXPECT_EQ(device->GetFirmwareVersion(), 1);
    EXPECT_EQ(device->GetSubFirmwareVersion(), 4);
    EXPECT_EQ(device->GetFirmwareString(), "1.4");
    EXPECT_EQ(device->GetDeviceType(), DeviceType::BetaDevice);
    EXPECT_EQ(device->ToString(), "Beta Device dev7");
    EXPECT_EQ(device->GetConstantsString(), "dev7:HW2:v1.4");
    EXPECT_EQ(device->GetLastCmd(), "");
}

TEST(BetaDeviceParse, AcceptsMissingParts)
{
    auto empty = ParseBeta("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetDeviceID(), "N\\A");
    EXPECT_EQ(empty->GetHardwareVersion(), "N\\A");
    EXPECT_EQ(empty->GetFirmwareVersion(), 0);

    auto idOnly = ParseBeta("dev7");
    ASSERT_NE(idOnly, nullptr);
    EXPECT_EQ(idOnly->GetDeviceID(), "dev7");
    EXPECT_EQ(idOnly->GetHardwareVersion(), "N\\A");
    EXPECT_EQ(idOnly->GetFirmwareVersion(), 0);
    EXPECT_EQ(idOnly->GetSubFirmwareVersion(), 0);
}

TEST(DeviceIndex, SetsIndexAndKey)
{
    BetaDevice device("", "A", "H", 1, 0);
    EXPECT_EQ(device.GetDeviceIndex(), -1);
    EXPECT_EQ(device.GetDeviceKey(), "");
    device.SetDeviceIndex(3);
    EXPECT_EQ(device.GetDeviceIndex(), 3);
    EXPECT_EQ(device.GetDeviceKey(), "device3");
    EXPECT_EQ(device.TSDevice::ToString(), "TSDevice A with index 3");

    BetaDevice copy = device;
    EXPECT_EQ(copy.GetDeviceKey(), "device3");
}

TEST(DeviceRecord, UnindexedDeviceReadsDefaults)
{
    BetaDevice device;
    EXPECT_FALSE(device.IsConnected());
    EXPECT_EQ(device.PacketsPerSecond(), 0);
    EXPECT_EQ(device.GetAddress(), "");
    EXPECT_EQ(device.GetConnectionType(), TSDevice::ConnectionType::Unknown);
}

TEST(FirmwareText, ParsesVersionParts)
{
    int firmware = -1;
    int sub = -1;
    TSDevice::ParseFirmware("v10.2.9", firmware, sub);
    EXPECT_EQ(firmware, 10);
    EXPECT_EQ(sub, 2);
    TSDevice::ParseFirmware("3", firmware, sub);
    EXPECT_EQ(firmware, 3);
    EXPECT_EQ(sub, 0);
    TSDevice::ParseFirmware("v", firmware, sub);
    EXPECT_EQ(firmware, 0);
    EXPECT_EQ(sub, 0);

    TSCoreTest::LogCapture log;
    TSDevice::ParseFirmware("x.y", firmware, sub);
    EXPECT_EQ(firmware, 0);
    EXPECT_EQ(sub, 0);
    const std::string out = log.Take();
    EXPECT_EQ(out, "x is not a valid integer number!\ny is not a valid integer number!\n");
}

TEST(FirmwareText, DeviceModelStripsCallersV)
{
    std::string text = "v2.1";
    int firmware = 0;
    int sub = 0;
    DeviceModel::ParseFirmware(text, firmware, sub);
    EXPECT_EQ(text, "2.1");
    EXPECT_EQ(firmware, 2);
    EXPECT_EQ(sub, 1);

    const DeviceModel model;
    EXPECT_EQ(model.GetDeviceID(), "N\\A");
    EXPECT_EQ(model.GetHardwareVersion(), "N\\A");
}

TEST(FunctionMask, ReadsLowBitsAndNeverBit31)
{
    EXPECT_EQ(DeviceModel::ParseFunctions(5, 4), (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(DeviceModel::ParseFunctions(7, 0).empty());
    EXPECT_TRUE(DeviceModel::ParseFunctions(7, -3).empty());

    const std::vector<bool> all = DeviceModel::ParseFunctions(-1, 33);
    ASSERT_EQ(all.size(), 33u);
    for (std::size_t i = 0; i < 31; ++i)
        EXPECT_TRUE(all[i]) << i;
    EXPECT_FALSE(all[31]);
    EXPECT_FALSE(all[32]);
}
