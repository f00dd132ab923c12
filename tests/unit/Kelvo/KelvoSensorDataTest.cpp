#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_SensorData.h>

#include "../support/LogCapture.h"

using TSCore::Diagnostics::DebugLevel;
using TSCore::Kelvo::Kelvo_GloveInfo;
using TSCore::Kelvo::Kelvo_SensorData;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;
using TSCoreTest::LogCapture;

namespace
{
    const Quat quarterY(0.0f, 0.70710677f, 0.0f, 0.70710677f);
    const Quat quarterX(0.70710677f, 0.0f, 0.0f, 0.70710677f);
    const Kelvo_GloveInfo glove("ID", "HW", 1, 0, true, quarterY, 5);

    void ExpectAngles(const Kelvo_SensorData& data, const std::vector<Vect3D>& expected)
    {
        ASSERT_EQ(data.sensorAngles.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(data.sensorAngles[i].Equals(expected[i])) << i << ": " << data.sensorAngles[i].ToString();
    }
}

TEST(KelvoSensorDataParse, KeepsTwoReadingsAndCountsUpToThree)
{
    const Kelvo_SensorData d = Kelvo_SensorData::Parse("10;20|30;40;50;60|70", glove);
    ExpectAngles(d, {{0, 10, 20}, {0, 30, 40}, {0, 70, 0}});
    EXPECT_EQ(d.parsedValues, 6);
    EXPECT_FALSE(d.IMUParsed());
    EXPECT_TRUE(d.imuRotation.Equals(quarterY)); // no IMU section: the correction itself

    const Kelvo_SensorData full = Kelvo_SensorData::Parse("500;250|600|700|800:0;0;0;1", glove);
    ExpectAngles(full, {{0, 500, 250}, {0, 600, 0}, {0, 700, 0}, {0, 800, 0}});
    EXPECT_EQ(full.parsedValues, 5);
    EXPECT_TRUE(full.IMUParsed());

    // Whole numbers truncated toward zero; a reading that is no number is 0 but counts.
    const Kelvo_SensorData odd = Kelvo_SensorData::Parse("12.9;-12.9||abc;inf;nan", glove);
    ExpectAngles(odd, {{0, 12, -12}, {0, 0, 0}, {0, 0, 2147483647.0f}});
    EXPECT_EQ(odd.parsedValues, 5);

    const Kelvo_SensorData none = Kelvo_SensorData::Parse("", glove);
    EXPECT_TRUE(none.sensorAngles.empty());
    EXPECT_EQ(none.parsedValues, 0);
}

TEST(KelvoSensorDataParse, ImuIsRawTimesCorrection)
{
    // The two quarter turns do not commute, so the order shows.
    const Kelvo_SensorData d = Kelvo_SensorData::Parse("1;2:0.70710677;0;0;0.70710677", glove);
    EXPECT_TRUE(d.IMUParsed());
    EXPECT_TRUE(d.imuRotation.Equals(quarterX * quarterY));
    EXPECT_FALSE(d.imuRotation.Equals(quarterY * quarterX));

    const Kelvo_SensorData three = Kelvo_SensorData::Parse("1;2:0.5;0.5;0.5", glove);
    EXPECT_FALSE(three.IMUParsed());
    EXPECT_TRUE(three.imuRotation.Equals(quarterY));
}

TEST(KelvoSensorDataParse, OutOfRangeNumberGivesEmptyNotThrow)
{
    for (const std::string text : {"1e50;2|3", "1;2;1e50|3", "1;2:0;0;1e99;1"})
    {
        LogCapture log(DebugLevel::Errors);
        EXPECT_TRUE(Kelvo_SensorData::Parse(text, glove).Equals(Kelvo_SensorData::Empty())) << text;
        EXPECT_EQ(log.Take(), "Error while deserializing a Kelvo: stof argument out of range\n") << text;
    }
}

TEST(KelvoSensorDataText, ReadableFormAndEquality)
{
    const Kelvo_SensorData d({{0, 1, 2}, {0, 3, 4}}, 4, Quat::identity, true);
    EXPECT_EQ(d.ToString(), "Kelvo Data: (4 sensors)\r\n"
                            "Thumb: 0.000000, 1.000000, 2.000000\r\n"
                            "Index: 0.000000, 3.000000, 4.000000\r\n"
                            "IMU: 0.000000, 0.000000, 0.000000, 1.000000");
    const std::string many = Kelvo_SensorData(std::vector<Vect3D>(6), 0, Quat::identity, false).ToString();
    EXPECT_NE(many.find("\r\nPinky: "), std::string::npos);
    EXPECT_NE(many.find("\r\nSensor 5: "), std::string::npos);

    EXPECT_TRUE(d.Equals(Kelvo_SensorData({{0, 1, 2}, {0, 3, 4}}, 4, Quat::identity, false)));
    EXPECT_FALSE(d.Equals(Kelvo_SensorData({{0, 1, 2}}, 4, Quat::identity, true)));
    EXPECT_FALSE(d.Equals(Kelvo_SensorData({{0, 1, 2}, {0, 3, 4}}, 5, Quat::identity, true)));
}

TEST(KelvoSensorDataStorage, ExactTextRoundTripAndFallback)
{
    const Kelvo_SensorData d({{0, 500, 250}}, 5, quarterY, true);
    EXPECT_EQ(d.Serialize(), "{5}{{0.000000;500.000000;250.000000}}{0.000000;0.707107;0.000000;0.707107}{1}");
    const Kelvo_SensorData back = Kelvo_SensorData::Deserialize(d.Serialize());
    EXPECT_TRUE(back.Equals(d));
    EXPECT_TRUE(back.IMUParsed());
    EXPECT_FALSE(Kelvo_SensorData::Deserialize("{5}{{0;1;2}}{0;0;0;1}").IMUParsed()); // flag block optional

    for (const std::string text : {"", "{2}{{0;1;2}}", "{99999999999}{}{0;0;0;1}{1}"})
    {
        LogCapture log(DebugLevel::Errors);
        const Kelvo_SensorData e = Kelvo_SensorData::Deserialize(text);
        EXPECT_TRUE(e.Equals(Kelvo_SensorData::Empty())) << text;
        EXPECT_FALSE(log.Take().empty()) << text;
    }
}
