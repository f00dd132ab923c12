#include <gtest/gtest.h>

#include <string>

#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TessaraVars.h>

#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Values;
using TSCore::Kinematics::Vect3D;
using TSCore::TS::TessaraVars;
using TSCore::TS::TS_GloveInfo;
using TSCoreTest::LogCapture;

namespace
{
    constexpr float d = Values::Deg2Rad;

    // Replaces field i of a ':'-separated string.
    std::string WithField(const std::string& text, std::size_t index, const std::string& value)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < index; ++i)
            start = text.find(':', start) + 1;
        const std::size_t end = text.find(':', start);
        return text.substr(0, start) + value + (end == std::string::npos ? "" : text.substr(end));
    }

    TS_GloveInfo Parsed(const std::string& text, bool correctOld)
    {
        TS_GloveInfo info;
        EXPECT_TRUE(TS_GloveInfo::Parse(text, info, correctOld)) << text;
        return info;
    }

    const TS_GloveInfo factoryRight("", "", 0, 0, true, 0, Quat::identity, TessaraVars::GetStartPositions("", true),
                                    TessaraVars::GetStartRotations("", true), TessaraVars::GetGloveLengths(""), {});
}

TEST(TessaraVarsStrings, StandardConstantsStringOfBothSides)
{
    const std::string right = TessaraVars::GetStdCString("QX7.2", 4.7f, true);
    EXPECT_EQ(right.rfind("C:QX7.2-R0008:QX7.2:v4.700000:R:3:-47;-52;-22;11;69;-145|44;-33;7;5;0;0|", 0), 0u);
    EXPECT_EQ(right.substr(right.size() - 48), "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12:20:0;0;90");
    const std::string left = TessaraVars::GetStdCString("QX7.2", 4.7f, false);
    EXPECT_EQ(left.rfind("C:QX7.2-L0007:QX7.2:v4.700000:L:3:", 0), 0u);
    EXPECT_EQ(left.substr(34), right.substr(34));
    EXPECT_EQ(TessaraVars::GetStdCString("QX7", 4.7f, true), "");
    EXPECT_EQ(TessaraVars::GetStdCString("QX7.2 ", 4.7f, true), "");
}

TEST(TessaraVarsGeometry, LeftHandMirrorsTheThumbAndStartsInY)
{
    const auto r = TessaraVars::GetStartPositions("", true);
    const auto l = TessaraVars::GetStartPositions("", false);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_TRUE(r[0].Equals(Vect3D(-46.56f, 52.0347f, -22.1293f)));
    EXPECT_TRUE(l[4].Equals(Vect3D(41.25f, 33.07f, 6.95f)));
    const auto rr = TessaraVars::GetStartRotations("", true);
    const auto lr = TessaraVars::GetStartRotations("", false);
    EXPECT_TRUE(lr[0].Equals(Quat(-0.5531433f, -0.1174416f, 0.7583794f, -0.3241925f)));
    EXPECT_TRUE(rr[1].Equals(lr[1]));
    EXPECT_TRUE(rr[1].Equals(Quat::FromEuler(-5 * d, 0, 0)));
}

TEST(TS_GloveInfoParse, StandardStringWithOldFirmwareCorrection)
{
    for (const bool right : {true, false})
    {
        LogCapture log(DebugLevel::Warnings);
        const TS_GloveInfo info = Parsed(TessaraVars::GetStdCString("QX7.2", 4.7f, right), true);
        EXPECT_EQ(log.Take(), "Older firmware detected, correcting values.\n");
        EXPECT_EQ(info.deviceID, right ? "QX7.2-R0008" : "QX7.2-L0007");
        EXPECT_EQ(info.hardwareVersion, "QX7.2");
        EXPECT_EQ(info.firmwareVersion, 4);
        // The sub-version is every decimal after the point of "4.700000", not 7.
        EXPECT_EQ(info.subFirmwareVersion, 700000);
        EXPECT_EQ(info.isRight, right);
        EXPECT_EQ(info.numSensors, 20);
        EXPECT_TRUE(info.imuCorrection.Equals(Quat::FromEuler(0, 0, 90 * d)));
        EXPECT_TRUE(info.flags.empty());
        EXPECT_TRUE(Values::Equal(info.startPositions, TessaraVars::GetStartPositions("", right)));
        EXPECT_TRUE(Values::Equal(info.startRotations, TessaraVars::GetStartRotations("", right)));
        EXPECT_TRUE(Values::Equal(info.gloveLengths, TessaraVars::GetGloveLengths("")));
    }
}

TEST(TS_GloveInfoParse, StandardStringWithoutCorrectionReadsItsGeometry)
{
    LogCapture log(DebugLevel::Warnings);
    const TS_GloveInfo info = Parsed(TessaraVars::GetStdCString("QX7.2", 4.7f, false), false);
    EXPECT_EQ(log.Take(), "");
    EXPECT_FALSE(info.isRight);
    EXPECT_EQ(info.subFirmwareVersion, 700000);
    ASSERT_EQ(info.startPositions.size(), 5u);
    ASSERT_EQ(info.startRotations.size(), 5u);
    EXPECT_TRUE(info.GetStartPosition(Finger::Thumb).Equals(Vect3D(-47, -52, -22)));
    EXPECT_TRUE(info.GetStartRotation(Finger::Thumb).Equals(Quat::FromEuler(11 * d, 69 * d, -145 * d)));
    EXPECT_TRUE(info.GetStartPosition(Finger::Pinky).Equals(Vect3D(43, 34, 7)));
    ASSERT_EQ(info.gloveLengths.size(), 5u);
    for (const auto& finger : info.gloveLengths)
    {
        ASSERT_EQ(finger.size(), 5u);
        EXPECT_TRUE(finger[0].Equals(Vect3D(9, 0, 9)));
        EXPECT_TRUE(finger[4].Equals(Vect3D(20, 0, -12)));
    }
}

TEST(TS_GloveInfoParse, CorrectionOnlyForOldQX7Firmware)
{
    const std::string std72 = TessaraVars::GetStdCString("QX7.2", 4.7f, true);
    EXPECT_TRUE(Parsed(std72, true).Equals(factoryRight, true));
    EXPECT_TRUE(Parsed(WithField(std72, 2, "QX7"), true).Equals(factoryRight, true));
    for (const std::string& text :
         {TessaraVars::GetStdCString("QX7.2", 5.0f, true), WithField(std72, 2, "QX7.1"), WithField(std72, 2, "QX7.20")})
    {
        const TS_GloveInfo info = Parsed(text, true);
        EXPECT_FALSE(info.Equals(factoryRight, true)) << text;
        EXPECT_TRUE(info.Equals(Parsed(text, false), true)) << text;
    }
}

TEST(TS_GloveInfoParse, ShortAndPartialGroups)
{
    const std::string std72 = TessaraVars::GetStdCString("QX7.2", 4.7f, true);
    LogCapture log(DebugLevel::Warnings);
    const TS_GloveInfo info =
        Parsed(WithField(WithField(std72, 6, "0;0;0;90;0;0|1;2|1;2;3;4"), 7, "1;2;3;4;5||1"), false);
    EXPECT_EQ(log.Take(), "Error in cString at finger 1: Not enough values...\n");
    ASSERT_EQ(info.startPositions.size(), 3u);
    EXPECT_TRUE(info.startRotations[0].Equals(Quat::FromEuler(90 * d, 0, 0)));
    EXPECT_TRUE(info.startPositions[1].Equals(Vect3D::zero));
    EXPECT_TRUE(info.startRotations[1].Equals(Quat::identity));
    EXPECT_TRUE(info.startPositions[2].Equals(Vect3D(1, 2, 3)));
    EXPECT_TRUE(info.startRotations[2].Equals(Quat::identity));
    ASSERT_EQ(info.gloveLengths.size(), 3u);
    ASSERT_EQ(info.gloveLengths[0].size(), 1u);
    EXPECT_TRUE(info.gloveLengths[0][0].Equals(Vect3D(1, 2, 3)));
    EXPECT_TRUE(info.gloveLengths[1].empty());
    EXPECT_TRUE(info.gloveLengths[2].empty());
    // Getters past the lists give neutral values.
    EXPECT_TRUE(info.GetStartPosition(Finger::Pinky).Equals(Vect3D::zero));
    EXPECT_TRUE(info.GetStartRotation(Finger::Pinky).Equals(Quat::identity));
    EXPECT_TRUE(info.GetGloveLengths(Finger::Pinky).empty());
}

TEST(TS_GloveInfoParse, FieldCountAndConversionFailures)
{
    TS_GloveInfo info = Parsed(TessaraVars::GetStdCString("QX7.2", 4.7f, true), true);
    EXPECT_FALSE(TS_GloveInfo::Parse("C:a:b:v1.2:R:3", info, true));
    EXPECT_TRUE(info.Equals(TS_GloveInfo(), false));

    // Exactly seven fields: no section offsets to read, so no linkage geometry; old firmware
    // still takes the factory geometry.
    const TS_GloveInfo noSections = Parsed("C:X:QX7.2:v5.1:R:3:1;2;3", true);
    EXPECT_TRUE(noSections.gloveLengths.empty());
    ASSERT_EQ(noSections.startPositions.size(), 1u);
    EXPECT_TRUE(noSections.startPositions[0].Equals(Vect3D(1, 2, 3)));
    EXPECT_TRUE(Parsed("C:X:QX7.2:v4.7:R:3:1;2;3", true).Equals(factoryRight, true));
    const TS_GloveInfo blank = Parsed("::::::", true);
    EXPECT_TRUE(blank.gloveLengths.empty() && blank.startPositions.empty());
    EXPECT_FALSE(blank.isRight);

    // Eight and nine fields: no sensor count, no correction.
    const TS_GloveInfo seven = Parsed("C:id:HW:v6.1:R:3:1;2;3:4;5;6", true);
    EXPECT_EQ(seven.numSensors, 0);
    EXPECT_TRUE(seven.imuCorrection.Equals(Quat::identity));
    EXPECT_TRUE(seven.startPositions[0].Equals(Vect3D(1, 2, 3)));
    const TS_GloveInfo nine = Parsed("C:id:HW:v6.1:L:3:1;2;3:4;5;6:20", true);
    EXPECT_EQ(nine.numSensors, 20);
    EXPECT_FALSE(nine.isRight);
    EXPECT_TRUE(nine.imuCorrection.Equals(Quat::identity));
    EXPECT_FALSE(Parsed("C:id:HW:v6.1::3:1;2;3:4;5;6", true).isRight);

    LogCapture log(DebugLevel::Warnings);
    info = seven;
    EXPECT_FALSE(TS_GloveInfo::Parse("C:id:HW:v6.1:R:3:1;2;3:4;5;6:99999999999", info, true));
    EXPECT_TRUE(info.Equals(TS_GloveInfo(), false));
    EXPECT_FALSE(TS_GloveInfo::Parse("C:id:HW:v6.1:R:3:1;2;3:4;1e99;6", info, false));
    EXPECT_EQ(log.Take(), "Error while deserializing a Tessara: stoi argument out of range\n"
                          "Error while deserializing a Tessara: stof argument out of range\n");
}

TEST(TS_GloveInfoAngles, FiveLinkageJointsPerFinger)
{
    const auto angles = TS_GloveInfo().ToGloveAngles({{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f}, {}});
    ASSERT_EQ(angles.size(), 3u);
    EXPECT_TRUE(Values::Equal(
        angles[0], {Vect3D(0, 0, 0.1f), Vect3D(0, 0, 0), Vect3D(0, 0.2f, 0), Vect3D(0, 0.3f, 0), Vect3D(0, 0.4f, 0)}));
    EXPECT_TRUE(Values::Equal(angles[1], {Vect3D(0, 0, 0.5f), Vect3D(), Vect3D(), Vect3D(), Vect3D()}));
    EXPECT_EQ(angles[2].size(), 5u);
}

TEST(TS_GloveInfoEquals, KinematicsOnlyIgnoresIdentity)
{
    const TS_GloveInfo a = Parsed(TessaraVars::GetStdCString("QX7.2", 4.7f, true), true);
    TS_GloveInfo b = a;
    b.deviceID = "other";
    b.flags = {true};
    b.numSensors = 3;
    b.imuCorrection = Quat::FromEuler(1, 0, 0);
    EXPECT_TRUE(a.Equals(b, true));
    EXPECT_FALSE(a.Equals(b, false));
    b = a;
    b.flags = {false};
    EXPECT_FALSE(a.Equals(b, false));
    b = a;
    b.gloveLengths[4][4].x += 0.01f;
    EXPECT_FALSE(a.Equals(b, true));
}

TEST(TS_GloveInfoText, ReadableForms)
{
    EXPECT_EQ(TS_GloveInfo().ToString(false),
              ": Left Hand running firmware v1.1 with 0 sensors.\r\nSections (0): \r\n");
    TS_GloveInfo info("G", "H", 2, 3, true, 4, Quat::identity, {Vect3D(1, 2, 3), Vect3D()}, {Quat::identity},
                      {{Vect3D(1, 0, 0), Vect3D(0, 1, 0)}, {Vect3D()}}, {});
    EXPECT_EQ(info.ToString(), "G: Right Hand running firmware v2.3 with 4 sensors.");
    EXPECT_EQ(info.ToString(false), "G: Right Hand running firmware v2.3 with 4 sensors.\r\n"
                                    "Sections (2): [1.000000, 0.000000, 0.000000]  [0.000000, 1.000000, 0.000000]\r\n"
                                    "0: 1.000000, 2.000000, 3.000000 - 0.000000, 0.000000, 0.000000, 1.000000\r\n"
                                    "1: 0.000000, 0.000000, 0.000000 - 0.000000, 0.000000, 0.000000, 1.000000");
}

TEST(TS_GloveInfoStorage, RoundTripAndDamagedText)
{
    TS_GloveInfo info = Parsed(TessaraVars::GetStdCString("QX7.2", 4.7f, false), false);
    info.flags = {true, false, true};
    const std::string text = info.Serialize();
    EXPECT_EQ(text.rfind("{QX7.2-L0007}{QX7.2}{4}{700000}{L}{20}{101}{0.000000;0.000000;0.707107;0.707107}{{", 0), 0u);
    EXPECT_TRUE(TS_GloveInfo::Deserialize(text).Equals(info, false));
    const TS_GloveInfo def;
    EXPECT_TRUE(TS_GloveInfo::Deserialize(def.Serialize()).Equals(def, false));

    // A cut text keeps what it has; missing blocks read as empty.
    const TS_GloveInfo cut = TS_GloveInfo::Deserialize("{id}{hw}{5}");
    EXPECT_EQ(cut.deviceID, "id");
    EXPECT_EQ(cut.firmwareVersion, 5);
    EXPECT_EQ(cut.subFirmwareVersion, 0);
    EXPECT_TRUE(cut.isRight);
    EXPECT_TRUE(cut.startPositions.empty());

    LogCapture log(DebugLevel::Errors);
    EXPECT_TRUE(TS_GloveInfo::Deserialize("{id}{hw}{99999999999}").Equals(def, false));
    EXPECT_EQ(log.Take(), "stoi argument out of range\n");
}
