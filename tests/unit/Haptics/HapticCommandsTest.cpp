#include <gtest/gtest.h>

#include <vector>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Haptics/ThumperCmd.h>

using namespace TSCore;
using namespace TSCore::Haptics;
using Levels = std::vector<int>;

TEST(HapticCmdConstruction, StoresLevelsUnclamped)
{
    EXPECT_EQ(TS_FFBCmd(120, -5, 0, 0, 0).GetLevels(), (Levels{120, -5, 0, 0, 0}));
    EXPECT_EQ(TS_BuzzCmd(Levels{10, 20}).GetLevels(), (Levels{10, 20, 0, 0, 0}));
    EXPECT_EQ(TS_FFBCmd(Levels{1, 2, 3, 4, 5, 6, 7}).GetLevels(), (Levels{1, 2, 3, 4, 5}));
    EXPECT_EQ(TS_BuzzCmd(Finger::Index, 80).GetLevels(), (Levels{0, 80, 0, 0, 0}));
    EXPECT_EQ(TS_FFBCmd(static_cast<Finger>(7), 50).GetLevels(), (Levels{0, 0, 0, 0, 0}));
    EXPECT_EQ(TS_FFBCmd::off.ToString(), "[0, 0, 0, 0, 0]");
    EXPECT_EQ(TS_BuzzCmd::off.GetLevels(), (Levels{0, 0, 0, 0, 0}));
}

TEST(HapticCmdSetLevel, ClampsThroughVirtualValidate)
{
    TS_FFBCmd ffb(120, -5, 0, 0, 0);
    ffb.SetLevel(0, 120);
    ffb.SetLevel(1, -5);
    TS_BuzzCmd buzz;
    static_cast<TS_FingerCmd&>(buzz).SetLevel(4, 101);
    EXPECT_EQ(ffb.GetLevels(), (Levels{100, 0, 0, 0, 0}));
    EXPECT_EQ(buzz.GetLevels(), (Levels{0, 0, 0, 0, 100}));

    TS_FingerCmd sliced = TS_FFBCmd::off; // only the base part: no clamping
    sliced.SetLevel(3, 250);
    EXPECT_EQ(sliced.GetLevel(3), 250);
}

TEST(HapticCmdSetLevel, IndexOutsideTheLevelsIsIgnored)
{
    TS_FFBCmd ffb(1, 2, 3, 4, 5);
    ffb.SetLevel(-1, 50);
    ffb.SetLevel(5, 50);
    EXPECT_EQ(ffb.GetLevels(), (Levels{1, 2, 3, 4, 5}));
    EXPECT_EQ(ffb.GetLevel(-1), 0);
    EXPECT_EQ(ffb.GetLevel(5), 0);

    ffb.levels.resize(2); // public list shrunk by a caller
    ffb.SetLevel(3, 70);
    EXPECT_EQ(ffb.levels.size(), 2u);
    EXPECT_EQ(ffb.GetLevel(3), 0);
    EXPECT_EQ(ffb.Copy().GetLevels(), (Levels{1, 2, 0, 0, 0}));
}

TEST(HapticCmdMergeCopy, MergeTakesLargerLevelCopyKeepsRange)
{
    const TS_FFBCmd a(10, 0, 50, 0, 0);
    EXPECT_EQ(a.Merge(TS_FFBCmd(0, 30, 40, 0, 100)).GetLevels(), (Levels{10, 30, 50, 0, 100}));
    EXPECT_EQ(a.GetLevels(), (Levels{10, 0, 50, 0, 0}));
    EXPECT_EQ(TS_BuzzCmd(-10, 5, 0, 0, 0).Merge(TS_BuzzCmd(-20, 1, 0, 0, 0)).GetLevels(), (Levels{-10, 5, 0, 0, 0}));
    EXPECT_EQ(TS_FFBCmd(120, -5, 7, 0, 300).Copy().GetLevels(), (Levels{120, -5, 7, 0, 300}));
    EXPECT_EQ(TS_BuzzCmd(-1, 101, 0, 0, 2).Copy().GetLevels(), (Levels{-1, 101, 0, 0, 2}));
}

TEST(HapticCmdEquals, WalksOthersLevelsAMissingLevelReadingZero)
{
    EXPECT_TRUE(TS_FFBCmd(1, 2, 3, 4, 5).Equals(TS_BuzzCmd(1, 2, 3, 4, 5)));
    EXPECT_FALSE(TS_FFBCmd(1, 2, 3, 4, 5).Equals(TS_FFBCmd(1, 2, 3, 4, 6)));
    TS_BuzzCmd empty;
    empty.levels.clear();
    EXPECT_TRUE(TS_FFBCmd(1, 2, 3, 4, 5).Equals(empty));
    EXPECT_TRUE(empty.Equals(TS_FFBCmd::off));
    EXPECT_FALSE(empty.Equals(TS_FFBCmd(Finger::Pinky, 1)));
    TS_BuzzCmd two(1, 2, 0, 0, 0);
    two.levels.resize(2);
    EXPECT_TRUE(two.Equals(TS_BuzzCmd(1, 2, 0, 0, 0)));
    TS_FFBCmd six(1, 2, 3, 4, 5);
    six.levels.push_back(0);
    EXPECT_TRUE(TS_FFBCmd(1, 2, 3, 4, 5).Equals(six));
    six.levels.back() = 1;
    EXPECT_FALSE(TS_FFBCmd(1, 2, 3, 4, 5).Equals(six));
    EXPECT_EQ(empty.ToString(), "[]");
    EXPECT_EQ(TS_FFBCmd(-5, 120, 0, 0, 1).ToString(), "[-5, 120, 0, 0, 1]");
}

TEST(ThumperCmdTest, ClampsOnConstructionOnly)
{
    EXPECT_EQ(ThumperCmd(150).magnitude, 100);
    EXPECT_EQ(ThumperCmd(-3).magnitude, 0);
    EXPECT_EQ(ThumperCmd::off.magnitude, 0);
    ThumperCmd t(10);
    t.magnitude = 300;
    EXPECT_EQ(t.Copy().magnitude, 300);
}
