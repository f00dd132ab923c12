// Which gloves the haptics back-channel stops, and when.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "HapticsGate.h"

using namespace std::chrono_literals;
using TSCoreBridge::HapticsGate;

namespace
{
    struct Gloves
    {
        std::vector<std::uint32_t> written;
        std::vector<std::uint32_t> stopped;

        HapticsGate Gate(bool accept)
        {
            return HapticsGate(
                accept, 150ms,
                [this](std::uint32_t index, const std::string&)
                {
                    written.push_back(index);
                    return index < 2; // two gloves
                },
                [this](std::uint32_t index) { stopped.push_back(index); });
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

    // Mirror 1 falls silent; mirror 2 keeps beating: glove 0 is still driven by mirror 2.
    gate.OnHeartbeat(2, false, t0 + 100ms);
    gate.Expire(t0 + 200ms);
    EXPECT_TRUE(gloves.stopped.empty());

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
