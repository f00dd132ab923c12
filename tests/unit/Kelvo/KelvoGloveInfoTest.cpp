#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include <TSCore/Kelvo/Kelvo_GloveInfo.h>

#include "../support/LogCapture.h"

using TSCore::Diagnostics::DebugLevel;
using TSCore::Kelvo::Kelvo_GloveInfo;
using TSCore::Kinematics::Quat;
using TSCoreTest::LogCapture;

namespace
{
    const Kelvo_GloveInfo sample("K-12", "HW3", 4, 7, false, Quat(0.0f, 0.70710677f, 0.0f, 0.70710677f), 5);
}

TEST(KelvoGloveInfoParse, ReadsTheSevenFields)
{
    Kelvo_GloveInfo info;
    ASSERT_TRUE(Kelvo_GloveInfo::Parse("C:ID7:H2:v4.7:R:anything:0;0;0", info));
    EXPECT_TRUE(info.Equals(Kelvo_GloveInfo("ID7", "H2", 4, 7, true, Quat::identity, 5)));
    // Mounting angles are degrees; fields past the seventh are ignored.
    ASSERT_TRUE(Kelvo_GloveInfo::Parse("C:ID7:H2:v4.7:R:x:0;90;0:extra", info));
    const float h = std::sqrt(0.5f);
    EXPECT_TRUE(info.imuCorrection.Equals(Quat(0.0f, h, 0.0f, h))) << info.imuCorrection.ToString();
    ASSERT_TRUE(Kelvo_GloveInfo::Parse("C:ID7:H2:v4.7:R:x:10;20", info));
    EXPECT_TRUE(info.imuCorrection.Equals(Quat::identity));
}

TEST(KelvoGloveInfoParse, HandIsLeftOnlyForEmptyOrCapitalL)
{
    using Case = std::pair<std::string, bool>;
    for (const auto& [field, right] : {Case{"", false}, Case{"Left", false}, Case{"l", true}, Case{"r", true}})
    {
        Kelvo_GloveInfo info;
        EXPECT_TRUE(Kelvo_GloveInfo::Parse("C:ID:H:v1.0:" + field + ":x:0;0;0", info));
        EXPECT_EQ(info.isRight, right) << field;
    }
}

TEST(KelvoGloveInfoParse, RefusedTextLeavesOutUnchanged)
{
    Kelvo_GloveInfo info = sample;
    {
        LogCapture log(DebugLevel::Errors);
        EXPECT_FALSE(Kelvo_GloveInfo::Parse("C:ID7:H2:v4.7:R:x", info));
        EXPECT_EQ(log.Take(), "Error parsing Kelvo Constants; not enough data in C:ID7:H2:v4.7:R:x\n");
    }
    for (const std::string text : {"C:ID:H:v99999999999.1:R:x:0;0;0", "C:ID:H:v1.0:R:x:0;1e99;0"})
    {
        LogCapture log(DebugLevel::Errors);
        EXPECT_FALSE(Kelvo_GloveInfo::Parse(text, info)); // out-of-range number: refused, not thrown
        EXPECT_EQ(log.Take().rfind("Error while deserializing a Kelvo: ", 0), 0u);
    }
    EXPECT_TRUE(info.Equals(sample));
}

TEST(KelvoGloveInfoText, ReadableFormAndEquality)
{
    EXPECT_EQ(Kelvo_GloveInfo().ToString(), "Kelvo N\\A (right) running firmware -1.-1, with -1 sensors.");
    EXPECT_EQ(sample.ToString(), "Kelvo K-12 (left) running firmware 4.7, with 5 sensors.");
    Kelvo_GloveInfo b = sample;
    b.hardwareVersion = "HW4";
    EXPECT_FALSE(sample.Equals(b));
    b = sample;
    b.imuCorrection = Quat::identity;
    EXPECT_FALSE(sample.Equals(b));
}

TEST(KelvoGloveInfoStorage, ExactTextRoundTripAndFallback)
{
    EXPECT_EQ(Kelvo_GloveInfo("ID", "HW", 4, 7, false, Quat::identity, 5).Serialize(),
              "{ID}{HW}{4}{7}{5}{L}{0.000000;0.000000;0.000000;1.000000}");
    EXPECT_TRUE(Kelvo_GloveInfo::Deserialize(sample.Serialize()).Equals(sample));
    EXPECT_TRUE(Kelvo_GloveInfo::Deserialize("{ID}{HW}{x}{7}{5}{}{1;2}")
                    .Equals(Kelvo_GloveInfo("ID", "HW", 0, 7, false, Quat::identity, 5)));

    const Kelvo_GloveInfo fallback("N/A", "N/A", 0, 0, true, Quat::identity, 5);
    for (const std::string text : {"", "{ID}{HW}{4}{7}{5}{L}", "{ID}{HW}{99999999999}{7}{5}{L}{0;0;0;1}"})
    {
        LogCapture log(DebugLevel::Errors);
        EXPECT_TRUE(Kelvo_GloveInfo::Deserialize(text).Equals(fallback)) << text;
        EXPECT_FALSE(log.Take().empty()) << text;
    }
}
