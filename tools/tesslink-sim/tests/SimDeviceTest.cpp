#include "SimDevice.h"

#include <gtest/gtest.h>

using namespace TessLinkSim;
using namespace TSCoreLink;

namespace
{
    const std::string exoTail = ":3:-47;-52;-22;11;69;-145|44;-33;7;5;0;0|62;-11;8;0;0;0|56;11;8;0;0;0|43;34;7;-5;0;0:"
                                "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12|9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12|"
                                "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12|9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12|"
                                "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12:20:0;0;90";
}

TEST(SimDevice, TessaraAnnouncesTheStandardConstants)
{
    EXPECT_EQ(TessaraSim::StandardConstants(true, 4.7f), "C:QX7.2-R0008:QX7.2:v4.700000:R" + exoTail);
    EXPECT_EQ(TessaraSim::StandardConstants(false, 4.7f), "C:QX7.2-L0007:QX7.2:v4.700000:L" + exoTail);
    EXPECT_EQ(TessaraSim::StandardConstants(true, 5.0f), "C:QX7.2-R0008:QX7.2:v5.000000:R" + exoTail);
    EXPECT_EQ(TessaraSim::StandardConstants(true, 4.9f), "C:QX7.2-R0008:QX7.2:v4.900000:R" + exoTail);
}

TEST(SimDevice, TessaraGlovesAreNumberedAndKeepTheirFirmwareText)
{
    EXPECT_EQ(TessaraSim::Constants(true, 1, "4.7"), "C:QX7.2-R0001:QX7.2:v4.7:R" + exoTail);
    const std::string left = TessaraSim::Constants(false, 12, "4.6");
    EXPECT_EQ(left.substr(0, 28), "C:QX7.2-L0012:QX7.2:v4.6:L:3");
    TessaraSim glove(false, 12, left, MotionSettings{});
    EXPECT_EQ(glove.Record(58, "sim:3"), "1@58@0@{" + left + "}@sim:3@2");
}

TEST(SimDevice, KelvoConstantsHaveSevenFields)
{
    const std::string constants = KelvoSim::Constants(false, 12);
    EXPECT_EQ(constants, "C:KV1-L0012:KV1:v2.1:L:4:0;0;0");
    EXPECT_EQ(SplitFields(constants, ':').size(), 7u);
    EXPECT_NE(KelvoSim::Constants(true, 1), KelvoSim::Constants(true, 2));
    KelvoSim glove(true, 1, MotionSettings{});
    EXPECT_EQ(glove.Record(60, "sim:0"), "1@60@2@{C:KV1-R0001:KV1:v2.1:R:4:0;0;0}@sim:0@2");
}

TEST(SimDevice, BetaCountsOrRepeatsItsText)
{
    BetaSim counting("a:b:v1.2", std::nullopt);
    EXPECT_EQ(counting.SensorText(0.0), "beta 0");
    EXPECT_EQ(counting.SensorText(0.0), "beta 1");
    EXPECT_EQ(counting.Record(60, "sim:0"), "1@60@-1@{a:b:v1.2}@sim:0@2");
    BetaSim fixed("a", std::string("hello"));
    EXPECT_EQ(fixed.SensorText(0.0), "hello");
    EXPECT_EQ(fixed.SensorText(1.0), "hello");
}

TEST(SimDevice, RawRecordIsVerbatimWithEmptyText)
{
    RecordSim raw("x@y");
    EXPECT_EQ(raw.Record(60, "sim:0"), "x@y");
    EXPECT_EQ(raw.SensorText(1.0), "");
}
