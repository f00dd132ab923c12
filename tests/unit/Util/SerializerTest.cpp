#include <gtest/gtest.h>

#include <stdexcept>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Util/Serializer.h>
#include <TSCore/Util/StoredKind.h>

using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;
using TSCore::Util::Serializer;

TEST(SerializerWrite, ListsAndEnclosure)
{
    EXPECT_EQ(Serializer::Serialize(std::vector<float>{1, 2.5f}, false), "1.000000;2.500000");
    EXPECT_EQ(Serializer::Serialize(std::vector<float>{1, 2.5f}, true), "{1.000000;2.500000}");
    EXPECT_EQ(Serializer::Serialize(std::vector<float>{}, false), "");
    EXPECT_EQ(Serializer::Serialize(std::vector<float>{}, true), "{}");
    EXPECT_EQ(Serializer::Serialize(std::vector<bool>{true, false, true}, true), "{101}");
    EXPECT_EQ(Serializer::Serialize(std::vector<Vect3D>{Vect3D(1, 2, 3), Vect3D(4, 5, 6)}, false),
              "{1.000000;2.000000;3.000000}{4.000000;5.000000;6.000000}");
    EXPECT_EQ(Serializer::Serialize(Quat::identity, true), "{0.000000;0.000000;0.000000;1.000000}");
    EXPECT_EQ(Serializer::Serialize(std::vector<std::vector<float>>{{1}, {}}, false), "{1.000000}{}");
}

TEST(SerializerWrite, TwoLevelListsNestOneBlockPerInnerList)
{
    const std::vector<std::vector<Vect3D>> v{{Vect3D(1, 0, 0), Vect3D(2, 0, 0)}, {Vect3D(3, 0, 0)}};
    const std::string text = Serializer::Serialize(v, false);
    const std::vector<std::string> outer = Serializer::SplitBlocks(text, false);
    ASSERT_EQ(outer.size(), 2u);
    EXPECT_EQ(Serializer::SplitBlocks(outer[0], false).size(), 2u);
    EXPECT_EQ(Serializer::SplitBlocks(outer[1], false).size(), 1u);
    EXPECT_EQ(Serializer::DeserializeVects2D(text).size(), 2u);
    const std::vector<std::vector<Quat>> q{{Quat(1, 2, 3, 4)}, {}};
    const auto back = Serializer::DeserializeQuats2D(Serializer::Serialize(q, false));
    ASSERT_EQ(back.size(), 2u);
    ASSERT_EQ(back[0].size(), 1u);
    EXPECT_TRUE(back[0][0].Equals(Quat(1, 2, 3, 4)));
    EXPECT_TRUE(back[1].empty());
}

TEST(SerializerRead, RoundTripsWhatWasWrittenWithoutEnclosure)
{
    const std::vector<Vect3D> v{Vect3D(1.25f, -2, 3), Vect3D(4, 5.5f, -6)};
    const std::vector<Vect3D> back = Serializer::DeserializeVects(Serializer::Serialize(v, false));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_TRUE(back[0].Equals(v[0]));
    EXPECT_TRUE(back[1].Equals(v[1]));
    const std::vector<std::vector<float>> f{{1, 2}, {}, {3.5f}};
    EXPECT_EQ(Serializer::DeserializeFloats2D(Serializer::Serialize(f, false)), f);
    const std::vector<bool> b{true, false, false, true};
    EXPECT_EQ(Serializer::DeserializeBools(Serializer::Serialize(b, false)), b);
}

TEST(SerializerRead, EnclosedListMustBeUnwrappedFirst)
{
    const std::vector<Vect3D> v{Vect3D(1, 2, 3), Vect3D(4, 5, 6)};
    std::string enclosed = Serializer::Serialize(v, true);
    // One block whose text is the inner blocks: its first value reads as 0.
    const std::vector<Vect3D> wrong = Serializer::DeserializeVects(enclosed);
    ASSERT_EQ(wrong.size(), 1u);
    EXPECT_EQ(wrong[0].x, 0.0f);
    Serializer::FilterBrackets(enclosed);
    EXPECT_EQ(Serializer::DeserializeVects(enclosed).size(), 2u);
}

TEST(SerializerRead, FloatsAndBoolsEdgeCases)
{
    EXPECT_EQ(Serializer::DeserializeFloats("1;2;"), (std::vector<float>{1, 2, 0}));
    EXPECT_TRUE(Serializer::DeserializeFloats("").empty());
    EXPECT_EQ(Serializer::DeserializeFloats("0,5"), (std::vector<float>{0.5f}));
    EXPECT_EQ(Serializer::DeserializeBools("1x1"), (std::vector<bool>{true, false, true}));
    const auto empties = Serializer::DeserializeFloats2D("{}");
    ASSERT_EQ(empties.size(), 1u);
    EXPECT_TRUE(empties[0].empty());
    const auto one = Serializer::DeserializeVects("{}");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(one[0].Equals(Vect3D::zero));
    EXPECT_TRUE(Serializer::DeserializeQuat("1;2").Equals(Quat::identity));
}

TEST(SerializerRead, OutOfFloatRangeReachesTheCaller)
{
    EXPECT_THROW(Serializer::DeserializeFloats("1;1e40"), std::out_of_range);
}

TEST(SerializerSplitBlocks, TopLevelOnlyAndDropsUnclosedBlock)
{
    EXPECT_EQ(Serializer::SplitBlocks("x{a}y{b{c}}{", false), (std::vector<std::string>{"a", "b{c}"}));
    EXPECT_EQ(Serializer::SplitBlocks("}{a}", false), (std::vector<std::string>{"a"}));
    EXPECT_EQ(Serializer::SplitBlocks("{ 1; 2 }", true), (std::vector<std::string>{"1;2"}));
    EXPECT_EQ(Serializer::SplitBlocks("{ 1; 2 }", false), (std::vector<std::string>{" 1; 2 "}));
    EXPECT_EQ(Serializer::SplitBlocks("{}{}", false), (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(Serializer::SplitBlocks("", false).empty());
    EXPECT_TRUE(Serializer::SplitBlocks("{{{", false).empty());
}

TEST(SerializerHelpers, EncloseFilterBracketsFilterSpaces)
{
    EXPECT_EQ(Serializer::Enclose("R"), "{R}");
    std::string a = "{1;2}";
    Serializer::FilterBrackets(a);
    EXPECT_EQ(a, "1;2");
    std::string b = "1;2";
    Serializer::FilterBrackets(b);
    EXPECT_EQ(b, "1;2");
    std::string c = "{";
    Serializer::FilterBrackets(c);
    EXPECT_EQ(c, "");
    std::string d = "{ab";
    Serializer::FilterBrackets(d);
    EXPECT_EQ(d, "a");
    EXPECT_EQ(Serializer::FilterSpaces(" a b\tc "), "ab\tc");
}

TEST(StoredKind, EachStoredTextAndNothingElse)
{
    using TSCore::Util::KindOfStored;
    using TSCore::Util::StoredKind;
    for (const bool right : {true, false})
    {
        EXPECT_EQ(KindOfStored(TSCore::HandPose::DefaultIdle(right).Serialize()), StoredKind::HandPose);
        EXPECT_EQ(KindOfStored(TSCore::Kinematics::BasicHandModel::Default(right).Serialize()), StoredKind::HandModel);
        EXPECT_EQ(KindOfStored(TSCore::HandProfile::Default(right).Serialize() + "\n"), StoredKind::HandProfile);
    }
    // A pose without angles is still a pose; spaces around a side are allowed.
    EXPECT_EQ(KindOfStored("{ R }{}{}{}"), StoredKind::HandPose);
    for (const char* other : {"", "{R}", "{X}{{1;2;3}}{}{}", "{}{{1;2;3}}{}{}", "{R}{1;2}{{1}}{3}", "{R}{{R}}{{L}{x}}",
                              "{R}{{R}{x}}{{X}{x}}", "{R}{{R}{x}}{{L}{x}", "{\"pose\": 1}", "{R}{a}{b}{c}{d}"})
        EXPECT_EQ(KindOfStored(other), StoredKind::Other) << other;
}
