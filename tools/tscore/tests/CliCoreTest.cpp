// tscore's pure parts, without a process or a browser: the SVG picture, the pose JSON, the text
// table and the checks of the view's haptic messages.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>

#include "PoseJson.h"
#include "Svg.h"
#include "Table.h"
#include "view/HapticRequest.h"
#include "view/ViewToken.h"

namespace
{
    using nlohmann::json;
    using TSCoreCli::HapticRequest;
    using TSCoreCli::ReadHapticRequest;

    std::size_t Count(const std::string& text, const std::string& what)
    {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    /// The 50 mm bar's geometry, which shared-scale pictures have in common.
    std::string ScaleBar(const std::string& svg)
    {
        const std::size_t at = svg.find("<g stroke=\"#444444\" stroke-width=\"2\">");
        if (at == std::string::npos)
            return "none";
        const std::string bar = svg.substr(at, svg.find("/>", at) - at);
        return bar.substr(bar.find("x1"));
    }

    TEST(Svg, IsAWholeDocumentOnOneScaleWithoutNonNumbers)
    {
        const std::string right = TSCoreCli::RenderPoseSvg(TSCore::HandPose::DefaultIdle(true), {});
        EXPECT_TRUE(right.rfind("<?xml", 0) == 0) << right.substr(0, 40);
        EXPECT_EQ(right.substr(right.size() - 7), "</svg>\n");
        EXPECT_NE(right.find("Right hand"), std::string::npos);
        // Two views of five digits of four joints each, plus the wrist in each view.
        EXPECT_EQ(Count(right, "<circle"), 2u * (5u * 4u + 1u));

        const std::string left = TSCoreCli::RenderPoseSvg(TSCore::HandPose::DefaultIdle(false), {"<a & b>", {}, false});
        EXPECT_NE(left.find("Left hand"), std::string::npos);
        EXPECT_NE(left.find("&lt;a &amp; b&gt;"), std::string::npos) << "the caption is escaped";
        EXPECT_NE(ScaleBar(right), "none");
        EXPECT_EQ(ScaleBar(left), ScaleBar(right));

        EXPECT_EQ(right.find("nan"), std::string::npos);
    }

    TEST(PoseJson, NamesEveryDigitAndKeepsTheLibrarysNumbers)
    {
        TSCore::HandPose pose = TSCore::HandPose::DefaultIdle(true);
        pose.jointPositions[0][0].x = -16.6f;
        pose.jointPositions[4][1].y = std::numeric_limits<float>::infinity();
        const json out = TSCoreCli::PoseToJson(pose, {"TS-R1", "Tessara", "device0", 12.5, {}, {}});
        EXPECT_EQ(out["device"], json({{"id", "TS-R1"}, {"kind", "Tessara"}, {"key", "device0"}}));
        EXPECT_EQ(out["side"], "right");
        EXPECT_EQ(out["time"], 12.5);
        EXPECT_TRUE(out["orientation"].is_null());
        ASSERT_EQ(out["fingers"].size(), 5u);
        const char* names[] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};
        for (std::size_t f = 0; f < 5; ++f)
        {
            const json& finger = out["fingers"][f];
            EXPECT_EQ(finger["name"], names[f]);
            EXPECT_EQ(finger["joints"].size(), 3u);
            ASSERT_EQ(finger["jointAngles"].size(), 3u);
            EXPECT_EQ(finger["jointAngles"][0].size(), 3u);
            EXPECT_EQ(finger["positions"].size(), 4u) << "the start and the end of each of three bones";
            ASSERT_GE(finger["rotations"].size(), 1u);
            EXPECT_EQ(finger["rotations"][0].size(), 4u);
        }
        EXPECT_EQ(out["fingers"][0]["joints"], json({"CMC", "MCP", "IP"}));
        EXPECT_EQ(out["fingers"][1]["joints"], json({"MCP", "PIP", "DIP"}));
        // The float's own shortest text, not its double expansion; a non-number is null.
        EXPECT_EQ(out["fingers"][0]["positions"][0][0].dump(), "-16.6");
        EXPECT_TRUE(out["fingers"][4]["positions"][1][1].is_null());
        EXPECT_TRUE(TSCoreCli::Number(std::nanf("")).is_null());
    }

    TEST(Table, LinesUpColumnsWithoutTrailingBlanks)
    {
        TSCoreCli::Table table({"key", "kind"});
        table.AddRow({"device10", "Tessara", "dropped"});
        table.AddRow({"d1"});
        EXPECT_EQ(table.Render(), "key       kind\n"
                                  "--------  -------\n"
                                  "device10  Tessara\n"
                                  "d1\n");
    }

    TEST(HapticRequest, ReadsEachKindAndSaysWhatIsWrong)
    {
        auto levels = ReadHapticRequest(R"({"type":"levels","key":"device0","ffb":[0,50,0,0,100]})");
        ASSERT_TRUE(levels.request) << levels.error;
        EXPECT_EQ(levels.request->type, HapticRequest::Type::Levels);
        EXPECT_EQ(levels.request->key, "device0");
        EXPECT_EQ(levels.request->ffb, (HapticRequest::Levels{0, 50, 0, 0, 100}));
        EXPECT_FALSE(levels.request->buzz);

        const auto pulse = ReadHapticRequest(R"({"type":"pulse","key":"device1","finger":4,"level":1,"ms":5000})");
        ASSERT_TRUE(pulse.request) << pulse.error;
        EXPECT_EQ(pulse.request->finger, 4);
        EXPECT_EQ(pulse.request->level, 1);
        EXPECT_EQ(pulse.request->ms, 5000);
        const auto all = ReadHapticRequest(R"({"type":"stop"})");
        ASSERT_TRUE(all.request);
        EXPECT_TRUE(all.request->key.empty()) << "a stop without a key stops every glove";

        // Not a message at all: the type is not known, so not even a refusal applies.
        for (const char* text : {"not json", "[1,2]", R"({"type":7})", R"({"type":"shake"})", "", "{\"type\":\"stop\"",
                                 R"({"type":"levels","key":"device0","ffb":[0,0,0,0,1e999]})"})
        {
            const auto read = ReadHapticRequest(text);
            EXPECT_FALSE(read.typeKnown) << text;
            EXPECT_FALSE(read.error.empty()) << text;
        }
        // Known types with fields out of type or range.
        const char* const bad[] = {
            R"({"type":"levels","key":"device0"})",
            R"({"type":"levels","key":"device0","ffb":[1,2,3]})",
            R"({"type":"levels","key":"device0","ffb":[0,0,0,0,101]})",
            R"({"type":"levels","key":"device0","ffb":[0,0,0,0,-1]})",
            R"({"type":"levels","key":"device0","buzz":[0,0.5,0,0,0]})",
            R"({"type":"levels","key":"device0","ffb":[0,0,0,0,0],"buzz":"high"})",
            R"({"type":"levels","key":{"a":1},"ffb":[0,0,0,0,0]})",
            R"({"type":"levels","ffb":[0,0,0,0,0]})",
            R"({"type":"pulse","key":"device0","finger":5,"level":50,"ms":100})",
            R"({"type":"pulse","key":"device0","finger":1,"level":0,"ms":100})",
            R"({"type":"pulse","key":"device0","finger":1,"level":50,"ms":-1})",
            R"({"type":"pulse","key":"device0","finger":1,"level":50,"ms":9})",
            R"({"type":"pulse","key":"device0","finger":1,"level":50,"ms":18446744073709551616})",
            R"({"type":"stop","key":12})",
            R"({"type":"stop","key":""})",
        };
        for (const char* text : bad)
        {
            const auto read = ReadHapticRequest(text);
            EXPECT_TRUE(read.typeKnown) << text;
            EXPECT_FALSE(read.request) << text;
            EXPECT_FALSE(read.error.empty()) << text;
        }
        EXPECT_FALSE(ReadHapticRequest(R"({"type":"stop","key":")" + std::string(65, 'k') + "\"}").request);
        EXPECT_NE(ReadHapticRequest(R"({"type":"pulse","key":"device0"})").error.find("\"ms\" 10-5000"),
                  std::string::npos);
    }
}

namespace
{
    TEST(ViewToken, IsRandomAndUrlSafeAndFoundOnlyUnderItsOwnName)
    {
        std::string why;
        const std::string a = TSCoreCli::NewToken(why), b = TSCoreCli::NewToken(why);
        EXPECT_EQ(a.size(), 43u) << why;
        EXPECT_NE(a, b);
        EXPECT_EQ(a.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
                  std::string::npos);

        EXPECT_EQ(TSCoreCli::QueryValue("/x?a=1&token=T1#frag", "token"), "T1");
        EXPECT_EQ(TSCoreCli::QueryValue("/ws?mytoken=T1&tokens=T2", "token"), "");
        EXPECT_EQ(TSCoreCli::QueryValue("/token=T1", "token"), "");
        EXPECT_EQ(TSCoreCli::CookieValue("a=1; tscore-view-token-80=T1;b=2", "tscore-view-token-80"), "T1");
        EXPECT_EQ(TSCoreCli::CookieValue("tscore-view-token-8080=T1", "tscore-view-token-80"), "");

        EXPECT_TRUE(TSCoreCli::SameToken(a, a));
        EXPECT_FALSE(TSCoreCli::SameToken(b, a));
        EXPECT_FALSE(TSCoreCli::SameToken(a.substr(0, 42), a));
        EXPECT_FALSE(TSCoreCli::SameToken(a + "x", a));
        EXPECT_FALSE(TSCoreCli::SameToken("", "")) << "no token is never a match";
    }
}
