#include <gtest/gtest.h>

#include <TSCore/Kelvo/Kelvo_Profile.h>
#include <TSCore/Kinematics/HandInterpolator.h>

using TSCore::Kelvo::Kelvo_Profile;
using TSCore::Kinematics::HandInterpolator;

TEST(KelvoProfileDefault, RawInputRangeOverDefaultOutputs)
{
    const Kelvo_Profile p = Kelvo_Profile::Default(false);
    HandInterpolator expected = HandInterpolator::Default(false);
    for (auto& digit : expected.interpolationSets)
        for (auto& set : digit)
        {
            set.inStart = 0.0f;
            set.inEnd = 1000.0f;
        }
    EXPECT_FALSE(p.isRight);
    EXPECT_TRUE(p.interpolator.Equals(expected));
    EXPECT_TRUE(Kelvo_Profile().Equals(Kelvo_Profile()));
    EXPECT_FALSE(Kelvo_Profile().Equals(Kelvo_Profile::Default(true)));
}

TEST(KelvoProfileStorage, RoundTripAndShortText)
{
    for (bool right : {true, false})
    {
        Kelvo_Profile p = Kelvo_Profile::Default(right);
        p.interpolator.interpolationSets[2][1].inEnd = 321.5f;
        EXPECT_EQ(p.Serialize().substr(0, 3), right ? "{R}" : "{L}");
        EXPECT_TRUE(Kelvo_Profile::Deserialize(p.Serialize()).Equals(p));
    }
    EXPECT_TRUE(Kelvo_Profile::Deserialize("{L}").Equals(Kelvo_Profile::Default(true)));
    EXPECT_FALSE(Kelvo_Profile::Deserialize("{Left}{{}}").isRight);
}
