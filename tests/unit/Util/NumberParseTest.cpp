#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "Util/NumberParse.h"

using TSCore::Util::detail::ParseFloat;
using TSCore::Util::detail::ParseStatus;

namespace
{
    // What the standard conversion says about text (the process runs in the "C" locale).
    ParseStatus Reference(const std::string& text, float& out)
    {
        const char* begin = text.c_str();
        char* end = nullptr;
        errno = 0;
        const float value = std::strtof(begin, &end);
        if (end == begin)
            return ParseStatus::Invalid;
        if (errno == ERANGE)
            return ParseStatus::OutOfRange;
        out = value;
        return ParseStatus::Ok;
    }

    void ExpectSameAsStandard(const std::string& text)
    {
        float mine = -7.0f;
        float theirs = -7.0f;
        const ParseStatus a = ParseFloat(text, mine);
        const ParseStatus b = Reference(text, theirs);
        ASSERT_EQ(static_cast<int>(a), static_cast<int>(b)) << '"' << text << '"';
        if (a == ParseStatus::Ok && !(std::isnan(mine) && std::isnan(theirs)))
        {
            EXPECT_EQ(std::memcmp(&mine, &theirs, sizeof mine), 0) << '"' << text << "\": " << mine << " vs " << theirs;
            // The field reader's one-pass path gives the same bits.
            float field = -7.0f;
            if (text.find(',') == std::string::npos && TSCore::Util::detail::ReadFloat(text, 0.0f, field))
            {
                EXPECT_EQ(std::memcmp(&field, &theirs, sizeof field), 0) << '"' << text << '"';
            }
        }
    }
}

TEST(ParseFloatFastPath, AgreesWithTheStandardConversionBitForBit)
{
    for (const char* text : {"0",
                             "-0",
                             "0.000",
                             "-0.000000",
                             "1.570",
                             "-1.570",
                             "  \t42.5xyz",
                             "+3.25",
                             "+-1",
                             "-+1",
                             ".5",
                             "-.5",
                             ".",
                             "1e5",
                             "1e",
                             "1e-3",
                             "1E+38",
                             "3.4028235e38",
                             "3.5e38",
                             "1e-38",
                             "1.17549435e-38",
                             "1e-40",
                             "1e-50",
                             "0e999",
                             "0x1p3",
                             "0X10",
                             "-0x8",
                             "inf",
                             "-infinity",
                             "nan",
                             "NaN(1)",
                             "",
                             " ",
                             "abc",
                             "123456789012345678901234567890",
                             "0.1000000000000000055511151231257827",
                             "16777217",
                             "2.5e-45",
                             "007",
                             "1.5e-45"})
        ExpectSameAsStandard(text);
}

TEST(ParseFloatFastPath, AgreesOnRandomDecimalText)
{
    std::mt19937 rng(12345);
    const std::string alphabet = "0123456789.-+eE x";
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        const int length = static_cast<int>(rng() % 12);
        for (int k = 0; k < length; ++k)
            text.push_back(alphabet[rng() % alphabet.size()]);
        ExpectSameAsStandard(text);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(rng() % 9),
                      (static_cast<double>(rng()) / 4294967296.0 - 0.5) *
                          std::pow(10.0, static_cast<int>(rng() % 12) - 4));
        ExpectSameAsStandard(buffer);
    }
}

TEST(ParseFloatFastPath, StopsAtTheFirstNul)
{
    float v = 0;
    ASSERT_EQ(ParseFloat(std::string("1.5\0"
                                     "7",
                                     5),
                         v),
              ParseStatus::Ok);
    EXPECT_EQ(v, 1.5f);
    EXPECT_EQ(ParseFloat(std::string("\0"
                                     "1",
                                     2),
                         v),
              ParseStatus::Invalid);
}
