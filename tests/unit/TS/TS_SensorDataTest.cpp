#include <gtest/gtest.h>

#include <string>

#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_SensorData.h>
#include <TSCore/TS/TessaraVars.h>

#include "../support/Expect.h"
#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::TS::TessaraVars;
using TSCore::TS::TS_GloveInfo;
using TSCore::TS::TS_SensorData;
using TSCoreTest::LogCapture;
using TSCoreTest::StandardGlove;

TEST(TS_SensorDataParse, StandardSensorString)
{
    const TS_GloveInfo glove = StandardGlove();
    const TS_SensorData data = TS_SensorData::Parse(TessaraVars::GetSensorString("QX7.2", 0.0f), glove);
    EXPECT_EQ(data.ParsedValues(), 20);
    EXPECT_TRUE(data.IMUParsed());
    ASSERT_EQ(data.sensorAngles.size(), 5u);
    for (const auto& finger : data.sensorAngles)
        EXPECT_EQ(finger.size(), 4u);
    EXPECT_EQ(data.GetAngles(Finger::Thumb), (std::vector<float>{-1.570f, -0.012f, -0.337f, 0.0f}));
    EXPECT_EQ(data.GetAngles(Finger::Ring), (std::vector<float>{-0.306f, -0.220f, -0.012f, 0.141f}));
    EXPECT_EQ(data.GetAngleSequence().size(), 20u);
    EXPECT_FLOAT_EQ(data.GetAngleSequence()[4], 0.061f);
    // The sensor quaternion is not normalised before the correction is applied.
    EXPECT_TRUE(data.imuRotation.Equals(Quat(2.122f, 2.230f, 0.288f, 0.553f) * glove.imuCorrection));
}

TEST(TS_SensorDataParse, LastAngleOfEachGroupWrapsIntoItsOwnRange)
{
    // 4 rad lies within [-60, 300] degrees but outside (-pi, pi]; -1.2 rad lies below -60 degrees.
    const TS_SensorData data = TS_SensorData::Parse("0:-1.2;4;0;-1.2|4;0;0;4|7|-1.2|0;-7:1;0;0;0", TS_GloveInfo());
    EXPECT_FLOAT_EQ(data.sensorAngles[0][0], -1.2f);
    EXPECT_NEAR(data.sensorAngles[0][1], 4.0f - Values::_2PI, 1e-6f);
    EXPECT_NEAR(data.sensorAngles[0][3], -1.2f + Values::_2PI, 1e-6f);
    EXPECT_FLOAT_EQ(data.sensorAngles[1][3], 4.0f);
    EXPECT_NEAR(data.sensorAngles[2][0], 7.0f - Values::_2PI, 1e-6f);
    EXPECT_NEAR(data.sensorAngles[3][0], 5.083185f, 1e-5f);
    EXPECT_NEAR(data.sensorAngles[4][0], 0.0f, 1e-6f);
    EXPECT_NEAR(data.sensorAngles[4][1], -7.0f + Values::_2PI, 1e-6f);
    EXPECT_EQ(data.parsedValues, 12);
}

TEST(TS_SensorDataParse, MissingFieldsAndGroups)
{
    const TS_GloveInfo glove = StandardGlove();
    LogCapture log(DebugLevel::Verbose);
    const TS_SensorData none = TS_SensorData::Parse("0", glove);
    EXPECT_EQ(log.Take(), "No Sensor data present in this string!\n");
    EXPECT_TRUE(none.sensorAngles.empty());
    EXPECT_EQ(none.parsedValues, 0);
    EXPECT_FALSE(none.imuParsed);
    EXPECT_TRUE(none.imuRotation.Equals(glove.imuCorrection));
    EXPECT_TRUE(none.GetAngles(Finger::Thumb).empty());

    const TS_SensorData noImu = TS_SensorData::Parse("0:1;2|3;4;5|6", glove);
    EXPECT_FALSE(noImu.imuParsed);
    EXPECT_TRUE(noImu.imuRotation.Equals(glove.imuCorrection));
    ASSERT_EQ(noImu.sensorAngles.size(), 5u);
    EXPECT_TRUE(noImu.sensorAngles[3].empty());
    EXPECT_TRUE(noImu.sensorAngles[4].empty());
    EXPECT_EQ(noImu.parsedValues, 6);

    const TS_SensorData badImu = TS_SensorData::Parse("0:1|2|3|4|5|6;7:1;2;3", glove);
    EXPECT_FALSE(badImu.imuParsed);
    EXPECT_EQ(badImu.parsedValues, 5);
}

TEST(TS_SensorDataParse, NumberOutsideFloatRangeMakesTheReadingIncomplete)
{
    const TS_GloveInfo glove = StandardGlove();
    std::string text = TessaraVars::GetSensorString("", 0.0f);
    text.replace(text.find("0.061"), 5, "1e39");
    LogCapture log(DebugLevel::Errors);
    TS_SensorData data;
    EXPECT_NO_THROW(data = TS_SensorData::Parse(text, glove));
    EXPECT_EQ(log.Take(), "Unreadable sensor value at finger 1: 1e39\nstof argument out of range\n");
    EXPECT_EQ(data.parsedValues, 19);
    EXPECT_EQ(data.GetAngles(Finger::Index), (std::vector<float>{-0.165f, 0.0f, 0.024f}));
    EXPECT_TRUE(data.imuParsed);

    LogCapture quiet(DebugLevel::Off);
    EXPECT_NO_THROW(data = TS_SensorData::Parse("0:1;2:1;2;3;-1e40", glove));
    EXPECT_EQ(quiet.Take(), "");
    EXPECT_EQ(data.parsedValues, 2);
    EXPECT_FALSE(data.imuParsed);
    EXPECT_TRUE(data.imuRotation.Equals(glove.imuCorrection));
}

TEST(TS_SensorDataEquals, ComparesCountOrientationAndAngles)
{
    const TS_SensorData a({{0.1f, 0.2f}, {}}, Quat::identity, 2, true);
    EXPECT_TRUE(a.Equals(TS_SensorData({{0.1f, 0.2f}, {}}, Quat::identity, 2, false)));
    EXPECT_FALSE(a.Equals(TS_SensorData({{0.1f, 0.2f}, {}}, Quat::identity, 3, true)));
    EXPECT_FALSE(a.Equals(TS_SensorData({{0.1f}, {0.2f}}, Quat::identity, 2, true)));
    EXPECT_FALSE(a.Equals(TS_SensorData({{0.1f, 0.2001f}, {}}, Quat::identity, 2, true)));
    EXPECT_FALSE(a.Equals(TS_SensorData({{0.1f, 0.2f}, {}}, Quat(1, 0, 0, 0), 2, true)));
    EXPECT_EQ(TS_SensorData::Empty().sensorAngles.size(), 5u);
}

TEST(TS_SensorDataText, WholeDegreesTruncated)
{
    const TS_SensorData data({{0.9f, -0.9f}, {}}, Quat::identity, 2, true);
    EXPECT_EQ(data.ToString(), "Tessara Data: (2 sensors)\r\nThumb: 51 -51\r\nIndex: \r\n"
                               "IMU: 0.000000, 0.000000, 0.000000, 1.000000");
}

TEST(TS_SensorDataStorage, RoundTripRecountsValues)
{
    const TS_SensorData data = TS_SensorData::Parse(TessaraVars::GetSensorString("", 0.0f), StandardGlove());
    const TS_SensorData back = TS_SensorData::Deserialize(data.Serialize());
    EXPECT_TRUE(back.Equals(data));
    EXPECT_TRUE(back.imuParsed);
    EXPECT_EQ(TS_SensorData({{1}}, Quat::identity, 9, false).Serialize(),
              "{{1.000000}}{0.000000;0.000000;0.000000;1.000000}{0}");
    const TS_SensorData recount = TS_SensorData::Deserialize("{{1;2}{3}}{0;0;0;1}{0}");
    EXPECT_EQ(recount.parsedValues, 3);
    EXPECT_FALSE(recount.imuParsed);

    const TS_SensorData empty = TS_SensorData::Deserialize("");
    EXPECT_TRUE(empty.sensorAngles.empty());
    EXPECT_TRUE(empty.imuRotation.Equals(Quat::identity));
    EXPECT_FALSE(TS_SensorData::Deserialize("{{1}}{0;0;0;1}{}").imuParsed);

    LogCapture log(DebugLevel::Errors);
    EXPECT_TRUE(TS_SensorData::Deserialize("{{1e39}}").Equals(TS_SensorData()));
    EXPECT_EQ(log.Take(), "stof argument out of range\n");
}
