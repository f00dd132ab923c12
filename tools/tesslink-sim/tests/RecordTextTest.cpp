#include "RecordText.h"
#include "DeviceKey.h"
#include "SimDevice.h"

#include "CommandBytes.h"

#include <gtest/gtest.h>

using namespace TessLinkSim;
using namespace TSCoreLink;

TEST(RecordText, FieldsKeepEmptyParts)
{
    EXPECT_EQ(SplitFields("a@@b@", '@'), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitFields("", '@'), (std::vector<std::string>{""}));
    EXPECT_EQ(JoinFields(SplitFields("1@@x@", '@'), '@'), "1@@x@");
}

TEST(RecordText, ReplaceFieldLeavesShortRecordsAlone)
{
    EXPECT_EQ(ReplaceField("1@60@0@{c}@a@2", 0, "0"), "0@60@0@{c}@a@2");
    EXPECT_EQ(ReplaceField("1@60@0@{c}@a@2", 1, "17"), "1@17@0@{c}@a@2");
    EXPECT_EQ(ReplaceField("1", 1, "17"), "1");
    EXPECT_EQ(ReplaceField("", 0, "1"), "1");
}

TEST(RecordText, LeadingIntegerRules)
{
    EXPECT_EQ(ParseLeadingInt("  -1x", 9), -1);
    EXPECT_EQ(ParseLeadingInt("+2", 9), 2);
    EXPECT_EQ(ParseLeadingInt("x", 9), 9);
    EXPECT_EQ(ParseLeadingInt("-", 9), 9);
    EXPECT_EQ(ParseLeadingInt("2147483647", 9), 2147483647);
    EXPECT_EQ(ParseLeadingInt("2147483648", 9), 9);
    EXPECT_EQ(ParseLeadingInt("-2147483648", 9), -2147483647 - 1);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999", 9), 9);
}

TEST(RecordText, KindFromTypeField)
{
    EXPECT_EQ(KindOfRecord("1@60@-1@{a}@x@2"), DeviceKind::Beta);
    EXPECT_EQ(KindOfRecord("1@60@0@{a}@x@2"), DeviceKind::Tessara);
    EXPECT_EQ(KindOfRecord("1@60@2@{a}@x@2"), DeviceKind::Kelvo);
    EXPECT_EQ(KindOfRecord("1@60@7@{a}@x@2"), DeviceKind::Other);
    EXPECT_EQ(KindOfRecord("1@60"), DeviceKind::Other);
    EXPECT_EQ(KindOfRecord("1@60@@{a}"), DeviceKind::Other);
}

TEST(RecordText, ThumperByteFollowsFirmwareOfStandardStrings)
{
    // "%f" firmware text: 4.7 reads as 4 and 700000, 5.0 as 5 and 0.
    int firmware = -1;
    int sub = -1;
    FirmwareOfRecord(BuildRecord('1', 60, DeviceKind::Tessara, TessaraSim::StandardConstants(true, 4.7f), "a", 2),
                     firmware, sub);
    EXPECT_EQ(firmware, 4);
    EXPECT_EQ(sub, 700000);
    EXPECT_TRUE(TSCoreLink::TakesThumperByte(firmware, sub));

    FirmwareOfRecord(BuildRecord('1', 60, DeviceKind::Tessara, TessaraSim::StandardConstants(false, 5.0f), "a", 2),
                     firmware, sub);
    EXPECT_EQ(firmware, 5);
    EXPECT_EQ(sub, 0);
    EXPECT_FALSE(TSCoreLink::TakesThumperByte(firmware, sub));

    FirmwareOfRecord("1@60@0@{C:id:hw:v4.6:R}@a@2", firmware, sub);
    EXPECT_FALSE(TSCoreLink::TakesThumperByte(firmware, sub));
    FirmwareOfRecord("1@60@0@C:id:hw:4.9:R@a@2", firmware, sub); // no braces, no 'v'
    EXPECT_EQ(firmware, 4);
    EXPECT_EQ(sub, 9);
}

TEST(RecordText, FirmwareOfBrokenRecordsIsZero)
{
    int firmware = -1;
    int sub = -1;
    for (const char* record : {"", "1@2@0", "1@2@0@{", "1@2@0@{}", "1@2@0@{C:id:hw}", "1@2@0@{C:id:hw::R}",
                               "1@2@0@{C:id:hw:v:R}", "1@2@0@{C:id:hw:vx.y:R}"})
    {
        FirmwareOfRecord(record, firmware, sub);
        EXPECT_EQ(firmware, 0) << record;
        EXPECT_EQ(sub, 0) << record;
    }
}

TEST(RecordText, BuildRecordLayout)
{
    EXPECT_EQ(BuildRecord('1', 60, DeviceKind::Beta, "a:b:v1.2", "sim:0", 2), "1@60@-1@{a:b:v1.2}@sim:0@2");
    EXPECT_EQ(BuildRecord('0', 0, DeviceKind::Kelvo, "", "", -1), "0@0@2@{}@@-1");
}

TEST(RecordText, KeysAndRecordsAsTheReaderTakesThem)
{
    std::uint32_t index = 99;
    EXPECT_EQ(DeviceKey::Of(12), "device12");
    EXPECT_TRUE(DeviceKey::IndexOf("device0", 256, index) && index == 0);
    EXPECT_TRUE(DeviceKey::IndexOf("device255", 256, index) && index == 255);
    for (const char* key :
         {"device01", "device", "device256", "device-1", "device1x", "Device1", "device99999999999999"})
        EXPECT_FALSE(DeviceKey::IndexOf(key, 256, index)) << key;
    EXPECT_EQ(index, 255u) << "a key that names no device leaves the index alone";
    EXPECT_TRUE(WellFormed("1@60@0@{c}@a@2"));
    EXPECT_FALSE(WellFormed("1@60@0@{c}@a"));
    EXPECT_TRUE(SaysConnected("1@60@0@{c}@a@2"));
    EXPECT_FALSE(SaysConnected("0@60@0@{c}@a@2"));
    EXPECT_FALSE(SaysConnected(""));
}
