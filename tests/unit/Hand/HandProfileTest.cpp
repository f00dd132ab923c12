#include <gtest/gtest.h>

#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Util/Serializer.h>

#include "../support/LogCapture.h"

using TSCore::HandProfile;
using TSCore::Util::Serializer;

TEST(HandProfileStorage, RoundTripsBothSides)
{
    for (bool right : {true, false})
    {
        const HandProfile profile = HandProfile::Default(right);
        const HandProfile back = HandProfile::Deserialize(profile.Serialize());
        EXPECT_EQ(back.isRight, right);
        EXPECT_TRUE(back.Equals(profile));
        EXPECT_EQ(back.Serialize(), profile.Serialize());
    }
}

TEST(HandProfileStorage, StartsWithTheSideBlock)
{
    EXPECT_EQ(HandProfile::Default(false).Serialize().rfind("{L}{", 0), 0u);
    EXPECT_EQ(HandProfile::Default(true).Serialize().rfind("{R}{", 0), 0u);
}

TEST(HandProfileStorage, EmptySideBlockReadsRight)
{
    HandProfile left = HandProfile::Default(false);
    std::string text = left.Serialize();
    text.replace(0, 3, "{}");
    const HandProfile back = HandProfile::Deserialize(text);
    EXPECT_TRUE(back.isRight);
    // The parts keep the side they were stored with.
    EXPECT_FALSE(back.tsProfile.isRight);
}

TEST(HandProfileStorage, ShortTextGivesDefaultOfSideRead)
{
    TSCoreTest::LogCapture log(TSCore::Diagnostics::DebugLevel::Errors);
    const HandProfile back =
        HandProfile::Deserialize("{L}" + Serializer::Enclose(HandProfile::Default(false).tsProfile.Serialize()));
    EXPECT_FALSE(back.isRight);
    EXPECT_TRUE(back.Equals(HandProfile::Default(false)));
    EXPECT_NE(log.Take(), "");

    EXPECT_TRUE(HandProfile::Deserialize("").Equals(HandProfile::Default(true)));
}

TEST(HandProfileEquality, SideAndEachPartCount)
{
    HandProfile a = HandProfile::Default(true);
    HandProfile b = a;
    b.isRight = false;
    EXPECT_FALSE(a.Equals(b));

    HandProfile c = a;
    c.kelvoProfile.interpolator.interpolationSets[1][0].inEnd += 1.0f;
    EXPECT_FALSE(a.Equals(c));
    EXPECT_TRUE(a.tsProfile.Equals(c.tsProfile)) << "changing one part leaves the other alone";
}
