// Which gloves the haptics gate stops, and when; what the checks of ROS 2's levels let through.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "HapticInput.h"
#include "HapticsGate.h"

using namespace std::chrono_literals;
using TSCoreBridge::HapticsGate;

namespace
{
    struct Gloves
    {
        std::vector<std::uint32_t> written;
        std::vector<std::uint32_t> stopped;
        std::vector<std::uint32_t> lost;

        HapticsGate Gate(bool accept)
        {
            return HapticsGate(
                accept, 150ms,
                [this](std::uint32_t index, const std::string&)
                {
                    written.push_back(index);
                    return index < 2; // two gloves
                },
                [this](std::uint32_t index) { stopped.push_back(index); },
                [this](std::uint32_t index) { lost.push_back(index); });
        }
    };

    const HapticsGate::Clock::time_point t0{};
}

TEST(HapticsGate, WritesNothingUnlessAcceptingAndOnlyToKnownGloves)
{
    Gloves gloves;
    HapticsGate closed = gloves.Gate(false);
    EXPECT_EQ(closed.OnCommand(1, 0, "x", t0), HapticsGate::Outcome::NotAccepted);
    EXPECT_TRUE(gloves.written.empty());

    HapticsGate open = gloves.Gate(true);
    EXPECT_EQ(open.OnCommand(1, 5, "x", t0), HapticsGate::Outcome::Refused);
    open.Expire(t0 + 1s);
    EXPECT_TRUE(gloves.stopped.empty()); // a refused command drove nothing
}

TEST(HapticsGate, StopsAGloveOnceEveryMirrorThatDroveItIsGone)
{
    Gloves gloves;
    HapticsGate gate = gloves.Gate(true);
    gate.OnCommand(1, 0, "a", t0);
    gate.OnCommand(2, 0, "b", t0);
    gate.OnCommand(2, 1, "c", t0);

    // Mirror 1 falls silent; mirror 2 keeps beating: glove 0 is still driven by mirror 2, which
    // is asked to say its part again.
    gate.OnHeartbeat(2, false, t0 + 100ms);
    EXPECT_TRUE(gate.Live(1, t0 + 150ms));
    EXPECT_FALSE(gate.Live(1, t0 + 151ms));
    gate.Expire(t0 + 200ms);
    EXPECT_TRUE(gloves.stopped.empty());
    EXPECT_EQ(gloves.lost, std::vector<std::uint32_t>{0});

    // Mirror 2 leaves cleanly: both gloves stop at once, each once.
    gate.OnHeartbeat(2, true, t0 + 210ms);
    gate.Expire(t0 + 210ms);
    EXPECT_EQ(gloves.stopped, (std::vector<std::uint32_t>{0, 1}));
    gate.Expire(t0 + 10s);
    gate.StopAll();
    EXPECT_EQ(gloves.stopped.size(), 2u);

    // The same command again, once released: written, and the glove is driven (and stopped) anew.
    EXPECT_EQ(gate.OnCommand(2, 0, "b", t0 + 11s), HapticsGate::Outcome::Written);
    EXPECT_EQ(gloves.written.back(), 0u);
    gate.Expire(t0 + 12s);
    EXPECT_EQ(gloves.stopped, (std::vector<std::uint32_t>{0, 1, 0}));
}

TEST(HapticsGate, StopAllStopsWhatIsStillDriven)
{
    Gloves gloves;
    HapticsGate gate = gloves.Gate(true);
    gate.OnCommand(7, 1, "a", t0);
    gate.StopAll();
    EXPECT_EQ(gloves.stopped, std::vector<std::uint32_t>{1});
}

TEST(HapticInput, TakesOneLevelPerDigitOrPerChannelAndNothingOutOfRange)
{
    namespace In = TSCoreBridge::HapticInput;
    In::Levels out{};
    bool dropped = false;
    const float five[] = {0.0f, 0.5f, 0.25f, 0.0f, 1.0f};
    EXPECT_EQ(In::CheckLevels(five, 5, 0, 5, out, dropped), In::Verdict::Ok);
    EXPECT_EQ(out, (In::Levels{0.0f, 0.5f, 0.25f, 0.0f, 1.0f}));
    // A Kelvo's force: four channels, or five of which the pinky's is not sent.
    EXPECT_EQ(In::CheckLevels(five, 5, 0, 4, out, dropped), In::Verdict::Ok);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(out[4], 0.0f);
    EXPECT_EQ(In::CheckLevels(five + 1, 4, 0, 4, out, dropped), In::Verdict::Ok);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(In::CheckLevels(five, 5, 1, 5, out, dropped), In::Verdict::Count) << "four values after the offset";
    EXPECT_EQ(In::CheckLevels(five, 5, 6, 5, out, dropped), In::Verdict::Malformed);
    const float bad[] = {0.0f, 1.01f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(In::CheckLevels(bad, 5, 0, 5, out, dropped), In::Verdict::OutOfRange);
    EXPECT_EQ(out, (In::Levels{0.5f, 0.25f, 0.0f, 1.0f, 0.0f})) << "a refused sample changes nothing";

    // Efforts: linear from min to max, by magnitude, the largest of a digit's joints.
    const std::vector<In::EffortDigit> config{{1, {"a", "b"}, 0.1, 0.5}};
    const char* names[] = {"b", "a", "z"};
    const double efforts[] = {-0.3, 0.2, 9.0};
    EXPECT_EQ(In::EffortLevels(names, 3, efforts, 3, config, out), In::Verdict::Ok);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(In::EffortLevels(names, 3, efforts, 2, config, out), In::Verdict::Malformed);
    EXPECT_EQ(In::EffortLevels(names + 2, 1, efforts + 2, 1, config, out), In::Verdict::NoKnownJoint);
}
