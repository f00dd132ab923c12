#include "Replay.h"
#include "SimDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace TessLinkSim;

namespace
{
    const std::string header = "{\"format\":\"tscore-recording\",\"version\":1}\n";
    const std::string twoDevices = header +
                                   "{\"kind\":\"device\",\"key\":\"device3\",\"record\":\"0@5@2@{k}@usb:1@2\"}\n"
                                   "{\"kind\":\"device\",\"key\":\"device8\",\"record\":\"1@9@-1@{b}@x@1\"}\n"
                                   "{\"kind\":\"data\",\"t\":0.0,\"key\":\"device3\",\"text\":\"A0\"}\r\n"
                                   "\n"
                                   "{\"kind\":\"data\",\"t\":0.5,\"key\":\"device8\",\"text\":\"B1\"}\n"
                                   "{\"kind\":\"data\",\"t\":1.0,\"key\":\"device3\",\"text\":\"A2\"}\n";

    std::string ErrorOf(const std::string& text)
    {
        ReplayTrack track;
        std::string error;
        EXPECT_FALSE(ReplayTrack::Parse(text, "rec", track, error));
        return error;
    }
}

TEST(ReplayTrack, PlaysLinesAtTheirTimes)
{
    ReplayTrack track;
    std::string error;
    ASSERT_TRUE(ReplayTrack::Parse(twoDevices, "rec", track, error)) << error;
    ASSERT_EQ(track.Devices().size(), 2u);
    EXPECT_EQ(track.Devices()[1].key, "device8");
    EXPECT_EQ(track.FrameCount(), 3u);

    EXPECT_EQ(track.Text(0), "");
    track.Advance(0.0);
    EXPECT_EQ(track.Text(0), "A0");
    EXPECT_EQ(track.Text(1), "");
    track.Advance(0.6);
    EXPECT_EQ(track.Text(1), "B1");
    track.Advance(100.0);
    // Without a loop the last texts stay.
    EXPECT_EQ(track.Text(0), "A2");
    EXPECT_EQ(track.Text(1), "B1");
    EXPECT_EQ(track.Text(5), "");
}

TEST(ReplayTrack, LoopRestartsAfterLastLinePlusSpacing)
{
    ReplayTrack track;
    std::string error;
    ASSERT_TRUE(ReplayTrack::Parse(twoDevices, "rec", track, error)) << error;
    track.SetLoop(true);
    EXPECT_DOUBLE_EQ(track.LoopLength(), 1.5);
    track.Advance(1.2);
    EXPECT_EQ(track.Text(0), "A2");
    track.Advance(1.6); // second round, first line
    EXPECT_EQ(track.Text(0), "A0");
    track.Advance(2.6); // second round at 1.1
    EXPECT_EQ(track.Text(0), "A2");
    track.Advance(1000.0 * 1.5 + 0.7); // far ahead: lands inside a round, no endless catching up
    EXPECT_EQ(track.Text(0), "A0");
    EXPECT_EQ(track.Text(1), "B1");

    ReplayTrack fast;
    ASSERT_TRUE(ReplayTrack::Parse(twoDevices, "rec", fast, error)) << error;
    fast.SetSpeed(2.0);
    fast.Advance(0.5);
    EXPECT_EQ(fast.Text(0), "A2") << "at twice the speed, 0.5 s plays one recorded second";
}

TEST(ReplayTrack, ReplaySimRenumbersAndMarksConnected)
{
    auto track = std::make_shared<ReplayTrack>();
    std::string error;
    ASSERT_TRUE(ReplayTrack::Parse(twoDevices, "rec", *track, error)) << error;
    ReplaySim first(track, 0);
    EXPECT_EQ(first.Record(42, "ignored"), "1@42@2@{k}@usb:1@2");
    EXPECT_EQ(first.SensorText(0.1), "A0");
}

TEST(ReplayTrack, ReportsUnreadableLinesWithTheirNumber)
{
    EXPECT_EQ(ErrorOf(""), "rec: empty recording");
    EXPECT_EQ(ErrorOf("{\"format\":\"other\",\"version\":1}\n"),
              "rec:1: not a tscore recording (missing format header)");
    EXPECT_EQ(ErrorOf("{\"format\":\"tscore-recording\",\"version\":2}\n"), "rec:1: unsupported recording version");
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"data\",\"t\":0,\"key\":\"device0\",\"text\":\"x\"}\n"),
              "rec:2: data for device0, which has no device line");
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"device\",\"key\":\"device0\"}\n"),
              "rec:2: device line without \"record\" text");
    const std::string deviceD = "{\"kind\":\"device\",\"key\":\"d\",\"record\":\"r\"}\n";
    EXPECT_EQ(ErrorOf(header + deviceD + "{\"kind\":\"device\",\"key\":\"d\",\"record\":\"s\"}\n"),
              "rec:3: device d recorded twice");
    // The same device line twice (a recorder given one glove twice) is one device.
    ReplayTrack twice;
    std::string error;
    ASSERT_TRUE(ReplayTrack::Parse(header + deviceD + deviceD, "rec", twice, error)) << error;
    EXPECT_EQ(twice.Devices().size(), 1u);
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"device\",\"key\":\"d\",\"record\":\"r\"}\n"
                               "{\"kind\":\"data\",\"t\":-1,\"key\":\"d\",\"text\":\"x\"}\n"),
              "rec:3: data line with a negative or invalid time");
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"device\",\"key\":\"d\",\"record\":\"r\"}\n"
                               "{\"kind\":\"data\",\"t\":\"0\",\"key\":\"d\",\"text\":\"x\"}\n"),
              "rec:3: data line without number \"t\" and \"text\"");
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"device\",\"key\":\n{\"kind\":\"device\",\"key\":\"d\",\"record\":\"r\"}\n"),
              "rec:2: not a JSON object");
    EXPECT_EQ(ErrorOf(header + "[1,2]\n"), "rec:2: not a JSON object");
    EXPECT_EQ(ErrorOf(header + "{\"kind\":\"note\",\"key\":\"d\"}\n"), "rec:2: unknown line kind \"note\"");
}

TEST(ReplayTrack, DamagedLastLineIsLeftOutWithAWarning)
{
    // A recording cut off while it was written: everything before the cut plays.
    const std::string cut = twoDevices + "{\"kind\":\"data\",\"t\":1.5,\"key\":\"dev";
    ReplayTrack track;
    std::string error;
    ASSERT_TRUE(ReplayTrack::Parse(cut, "rec", track, error)) << error;
    EXPECT_EQ(track.FrameCount(), 3u);
    EXPECT_EQ(track.Warning(), "rec:8: the last line is damaged (the recording was cut off); it is left out");
    ASSERT_TRUE(ReplayTrack::Parse(twoDevices, "rec", track, error));
    EXPECT_EQ(track.Warning(), "");
}

TEST(ReplayTrack, LoadReportsMissingFileAndDirectory)
{
    ReplayTrack track;
    std::string error;
    EXPECT_FALSE(ReplayTrack::Load("/nonexistent/recording.jsonl", track, error));
    EXPECT_EQ(error, "/nonexistent/recording.jsonl: cannot read recording: No such file or directory");
    EXPECT_FALSE(ReplayTrack::Load("/tmp", track, error));
    EXPECT_EQ(error, "/tmp: cannot read recording: Is a directory");
}
