#include <gtest/gtest.h>

#include <vector>

#include <TSCore/Devices/HapticGlove.h>

using TSCore::HandPose;
using TSCore::HandProfile;
using TSCore::HapticGlove;
using TSCore::Haptics::ThumperCmd;
using TSCore::Haptics::TS_BuzzCmd;
using TSCore::Haptics::TS_FFBCmd;
using TSCore::Kinematics::Vect3D;

namespace
{
    // The smallest concrete glove: it records each combined command and, like the glove
    // classes, makes it the last one sent only when the write succeeds.
    class RecordingGlove : public HapticGlove
    {
    public:
        bool IsRight() override { return true; }
        void SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, ThumperCmd thumper) override
        {
            sent.push_back({ffb.GetLevels(), buzz.GetLevels(), thumper.magnitude});
            if (!writable)
                return;
            lastFFB = ffb;
            lastBuzz = buzz;
            lastThumper = thumper;
        }
        using HapticGlove::SendHaptics;

        struct Sent
        {
            std::vector<int> ffb;
            std::vector<int> buzz;
            int thumper;
        };
        std::vector<Sent> sent;
        bool writable = true;
    };

    void ExpectVect(Vect3D v, float x, float y, float z)
    {
        EXPECT_FLOAT_EQ(v.x, x);
        EXPECT_FLOAT_EQ(v.y, y);
        EXPECT_FLOAT_EQ(v.z, z);
    }
}

TEST(HapticGloveCommands, SingleCommandsCompleteFromTheLastSent)
{
    RecordingGlove glove;
    const TS_FFBCmd f(10, 20, 30, 40, 50);
    const ThumperCmd t(7);
    glove.SendHaptics(f, TS_BuzzCmd::off);
    glove.SendHaptics(t);
    glove.SendHaptics(TS_BuzzCmd(1, 2, 3, 4, 5));
    ASSERT_EQ(glove.sent.size(), 3u);
    EXPECT_EQ(glove.sent[2].ffb, f.GetLevels());
    EXPECT_EQ(glove.sent[2].buzz, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(glove.sent[2].thumper, 7);
}

TEST(HapticGloveCommands, FailedWriteKeepsThePreviousLastCommands)
{
    RecordingGlove glove;
    glove.SendHaptics(TS_BuzzCmd(9, 9, 9, 9, 9));
    glove.writable = false;
    glove.SendHaptics(TS_BuzzCmd(1, 1, 1, 1, 1));
    glove.writable = true;
    glove.SendHaptics(TS_FFBCmd(5, 5, 5, 5, 5));
    EXPECT_EQ(glove.sent.back().buzz, (std::vector<int>{9, 9, 9, 9, 9}));
}

TEST(HapticGloveCommands, StopSendsTheOffCommands)
{
    RecordingGlove glove;
    glove.SendHaptics(TS_FFBCmd(50, 50, 50, 50, 50), TS_BuzzCmd(50, 50, 50, 50, 50), ThumperCmd(50));
    glove.StopHaptics();
    EXPECT_EQ(glove.sent.back().ffb, std::vector<int>(5, 0));
    EXPECT_EQ(glove.sent.back().buzz, std::vector<int>(5, 0));
    EXPECT_EQ(glove.sent.back().thumper, 0);
    EXPECT_EQ(glove.lastFFB.GetLevels(), std::vector<int>(5, 0));
}

TEST(HapticGloveCalibration, RangeStartsAtSentinelsAndWidens)
{
    RecordingGlove glove;
    std::vector<Vect3D> lo;
    std::vector<Vect3D> hi;
    glove.GetCalibrationRange(lo, hi);
    ASSERT_EQ(lo.size(), 5u);
    ASSERT_EQ(hi.size(), 5u);
    ExpectVect(lo[4], 10000, 10000, 10000);
    ExpectVect(hi[0], -10000, -10000, -10000);

    glove.ResetCalibrationRange();
    glove.UpdateCalibrationRange(std::vector<Vect3D>(5, Vect3D(1, 2, 3)));
    glove.GetCalibrationRange(lo, hi);
    ExpectVect(lo[2], 1, 2, 3);
    ExpectVect(hi[2], 1, 2, 3);

    glove.UpdateCalibrationRange(std::vector<Vect3D>(5, Vect3D(0, 5, NAN)));
    glove.GetCalibrationRange(lo, hi);
    ExpectVect(lo[2], 0, 2, 3); // a NaN component loses to the value held
    ExpectVect(hi[2], 1, 5, 3);
}

TEST(HapticGloveCalibration, ShortValueListUpdatesOnlyEntriesPresent)
{
    RecordingGlove glove;
    glove.UpdateCalibrationRange({Vect3D(1, 1, 1), Vect3D(2, 2, 2)});
    std::vector<Vect3D> lo;
    std::vector<Vect3D> hi;
    glove.GetCalibrationRange(lo, hi);
    ASSERT_EQ(lo.size(), 5u);
    ExpectVect(lo[1], 2, 2, 2);
    ExpectVect(lo[2], 10000, 10000, 10000);
    glove.UpdateCalibrationRange(std::vector<Vect3D>(9, Vect3D(0, 0, 0)));
    glove.GetCalibrationRange(lo, hi);
    EXPECT_EQ(lo.size(), 5u);
}

TEST(HapticGloveDefaults, NeutralAnswersWithoutData)
{
    RecordingGlove glove;
    std::vector<Vect3D> values;
    EXPECT_FALSE(glove.GetCalibrationValues(values));
    EXPECT_EQ(values.size(), 5u);
    glove.UpdateCalibrationRange(); // no values: the range is not even created
    EXPECT_TRUE(glove.calibrationMin.empty());

    HandProfile profile = HandProfile::Default(false);
    HandPose pose;
    EXPECT_FALSE(glove.GetHandPose(profile, pose));
    EXPECT_TRUE(pose.Equals(HandPose::DefaultIdle(false)));
    EXPECT_EQ(glove.GetDeviceType(), TSCore::DeviceType::Unknown);
    EXPECT_EQ(glove.GetFirmwareVersion(), -1);
    EXPECT_EQ(glove.GetDeviceID(), "N\\A");
}
