#include "Brakes.h"
#include "SimDevice.h"

#include <gtest/gtest.h>

using namespace TessLinkSim;

namespace
{
    Flexion All(double closure)
    {
        Flexion out;
        out.fill(closure);
        return out;
    }
}

TEST(Brakes, FullLevelHoldsWhereTheForceRoseOpeningIsFreeAndReleaseCatchesUp)
{
    Brakes brakes;
    brakes.Apply(All(0.3), 0.0);
    brakes.SetLevels({0, 100, 0, 0, 0});
    EXPECT_EQ(brakes.Apply(All(0.9), 0.1)[1], 0.3) << "held while the motion closes";
    EXPECT_EQ(brakes.Apply(All(0.9), 0.1)[2], 0.9) << "the other fingers follow";
    EXPECT_EQ(brakes.ToString(), "ffb=0,100,0,0,0 held=0,1,0,0,0 closure=0.900,0.300,0.900,0.900,0.900");
    EXPECT_EQ(brakes.Apply(All(0.1), 0.2)[1], 0.1) << "opening is never braked";
    EXPECT_EQ(brakes.Apply(All(1.0), 0.3)[1], 0.3) << "closing again stops at the same point";

    brakes.SetLevels({0, 0, 0, 0, 0});
    EXPECT_NEAR(brakes.Apply(All(1.0), 0.35)[1], 0.3 + 0.05 * Brakes::catchUpPerSecond, 1e-12) << "no jump";
    EXPECT_EQ(brakes.ToString().substr(0, 31), "ffb=0,0,0,0,0 held=0,0,0,0,0 cl");
    EXPECT_EQ(brakes.Apply(All(1.0), 1.0)[1], 1.0) << "caught up";
    EXPECT_EQ(brakes.Apply(All(0.7), 1.01)[1], 0.7) << "and follows exactly";
    EXPECT_EQ(brakes.Apply(All(0.8), 1.02)[1], 0.8);
}

TEST(Brakes, PartialLevelClosesPartOfTheRemainingWayAndNeverPushesOpen)
{
    Brakes brakes;
    brakes.Apply(All(0.2), 0.0);
    brakes.SetLevels({50, 25, 150, -3});
    EXPECT_EQ(brakes.ToString().substr(0, 18), "ffb=50,25,100,0,0 ") << "clamped to 0..100";
    const Flexion reached = brakes.Apply(All(1.0), 0.5);
    EXPECT_NEAR(reached[0], 0.6, 1e-12) << "half the remaining way";
    EXPECT_NEAR(reached[1], 0.8, 1e-12);
    EXPECT_EQ(reached[2], 0.2);
    EXPECT_EQ(reached[3], 1.0);
    EXPECT_EQ(brakes.Apply(All(0.5), 0.6)[0], 0.5) << "below the limit the finger follows";

    // Raised past where the finger is: it stays there; lowered: it closes on, no faster than the
    // catch-up rate.
    brakes.SetLevels({100, 75, 100, 0});
    const Flexion raised = brakes.Apply(All(1.0), 0.7);
    EXPECT_EQ(raised[0], 0.5);
    EXPECT_EQ(raised[1], 0.5);
    brakes.SetLevels({50, 75, 0, 0});
    const Flexion lowered = brakes.Apply(All(1.0), 0.72);
    EXPECT_NEAR(lowered[0], 0.5 + 0.02 * Brakes::catchUpPerSecond, 1e-12);
    EXPECT_NEAR(lowered[2], 0.2 + 0.02 * Brakes::catchUpPerSecond, 1e-12);
    EXPECT_NEAR(brakes.Apply(All(1.0), 2.0)[0], 0.6, 1e-12) << "up to the limit of level 50";
}

TEST(Brakes, KelvoChannelsBrakeThumbToRingAndThePinkyFollowsTheRing)
{
    // A pinch (the thumb swings past its flexion) held by flex, then the hand closes.
    KelvoSim kelvo(true, 1, MotionSettings{});
    ASSERT_TRUE(kelvo.SetFlexion(All(0.25)));
    EXPECT_EQ(kelvo.SensorText(0.0).substr(0, 20), "300;325|300|300|300:");
    ASSERT_TRUE(kelvo.SetForce({100, 0, 0, 100}, 0.1));
    ASSERT_TRUE(kelvo.SetFlexion(All(1.0)));
    EXPECT_EQ(kelvo.SensorText(0.2).substr(0, 20), "300;325|900|900|300:") << "the swing stops with the thumb";
    EXPECT_EQ(kelvo.BrakeState(0.3), "ffb=100,0,0,100,100 held=1,0,0,1,1 closure=0.250,1.000,1.000,0.250,0.250");
    BetaSim beta("b", std::nullopt);
    EXPECT_FALSE(beta.SetForce({100}, 0.0));
    EXPECT_EQ(beta.BrakeState(0.0), "");
}
