#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <stdexcept>

#include <TSCore/Diagnostics/Debugger.h>
#include <TSCore/Util/Library.h>
#include <TSCore/Util/StrStuff.h>

#include "../support/LogCapture.h"

using TSCore::Finger;
using TSCore::Diagnostics::Debugger;
using TSCore::Diagnostics::DebugLevel;
using TSCore::Util::StrStuff;
using TSCoreTest::LogCapture;

TEST(StrStuffSplit, KeepsEmptyFieldsAtBothEnds)
{
    EXPECT_TRUE(StrStuff::Split("", '@').empty());
    EXPECT_EQ(StrStuff::Split("a@b", '@'), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(StrStuff::Split("a@", '@'), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(StrStuff::Split("@", '@'), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(StrStuff::Split("1@2@", '@'), (std::vector<std::string>{"1", "2", ""}));
    EXPECT_EQ(StrStuff::Split("@@x", '@'), (std::vector<std::string>{"", "", "x"}));
}

TEST(StrStuffQuickSplit, AgreesWithSplitAndAnswersOutOfRangeWithEmpty)
{
    std::string empty;
    EXPECT_EQ(StrStuff::QuickSplit(empty, '@', 0), "");
    std::string text = "1@60@-1@{a:b}@addr@0";
    const std::vector<std::string> fields = StrStuff::Split(text, '@');
    for (int i = 0; i < static_cast<int>(fields.size()); ++i)
        EXPECT_EQ(StrStuff::QuickSplit(text, '@', i), fields[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(StrStuff::QuickSplit(text, '@', 6), "");
    EXPECT_EQ(StrStuff::QuickSplit(text, '@', -1), "");
    std::string trailing = "1@2@";
    EXPECT_EQ(StrStuff::QuickSplit(trailing, '@', 2), "");
    EXPECT_EQ(StrStuff::QuickSplit(trailing, '@', 3), "");
    EXPECT_EQ(trailing, "1@2@");
}

TEST(StrStuffToInt, ReadsLikeTheStandardConversion)
{
    EXPECT_EQ(StrStuff::ToInt(" 42 ", 0), 42);
    EXPECT_EQ(StrStuff::ToInt("-3", 0), -3);
    EXPECT_EQ(StrStuff::ToInt("+8", 0), 8);
    EXPECT_EQ(StrStuff::ToInt("12abc", 0), 12);
    EXPECT_EQ(StrStuff::ToInt("2147483647", 0), 2147483647);
    EXPECT_EQ(StrStuff::ToInt("-2147483648", 0), -2147483647 - 1);
    EXPECT_EQ(StrStuff::ToInt("4.7", 0), 4);
}

TEST(StrStuffToInt, FallsBackAndLogsOnlyForNonNumbers)
{
    LogCapture log;
    EXPECT_EQ(StrStuff::ToInt("", 7), 7);
    EXPECT_EQ(log.Take(), "");

    LogCapture log2;
    EXPECT_EQ(StrStuff::ToInt("x", 7), 7);
    EXPECT_EQ(StrStuff::ToInt("-", 7), 7);
    EXPECT_EQ(log2.Take(), "x is not a valid integer number!\n- is not a valid integer number!\n");
}

TEST(StrStuffToInt, ThrowsOutOfRangeBeyondInt)
{
    EXPECT_THROW(StrStuff::ToInt("2147483648", 0), std::out_of_range);
    EXPECT_THROW(StrStuff::ToInt("-2147483649", 0), std::out_of_range);
    EXPECT_THROW(StrStuff::ToInt("99999999999999999999999", 0), std::out_of_range);
    try
    {
        StrStuff::ToInt("3000000000", 0);
    }
    catch (const std::out_of_range& e)
    {
        EXPECT_STREQ(e.what(), "stoi argument out of range");
    }
}

TEST(StrStuffToFloat, AcceptsDecimalCommaAndStandardForms)
{
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("1,25", 0), 1.25f);
    EXPECT_FLOAT_EQ(StrStuff::ToFloat(" -0.5xyz", 0), -0.5f);
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("1e3", 0), 1000.0f);
    EXPECT_TRUE(std::isinf(StrStuff::ToFloat("inf", 0)));
    EXPECT_TRUE(std::isnan(StrStuff::ToFloat("nan", 0)));
}

TEST(StrStuffToFloat, FallsBackAndLogsTheReplacedText)
{
    LogCapture log;
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("", 2.5f), 2.5f);
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("abc", 2.5f), 2.5f);
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("a,b", 1.0f), 1.0f);
    EXPECT_EQ(log.Take(), "abc is not a valid float!\na.b is not a valid float!\n");
}

TEST(StrStuffToFloat, ThrowsOutOfRangeOnOverflowAndUnderflow)
{
    EXPECT_THROW(StrStuff::ToFloat("1e39", 0), std::out_of_range);
    EXPECT_THROW(StrStuff::ToFloat("-1e39", 0), std::out_of_range);
    EXPECT_THROW(StrStuff::ToFloat("1e-50", 0), std::out_of_range);
}

TEST(StrStuffToFloat, IgnoresTheProcessLocale)
{
    // A decimal-comma locale must not change how stored texts read.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "de_DE") == nullptr)
        GTEST_SKIP() << "no decimal-comma locale installed";
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("1.5", 0), 1.5f);
    EXPECT_FLOAT_EQ(StrStuff::ToFloat("1,5", 0), 1.5f);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StrStuffRoundedDegrees, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(StrStuff::RoundedDegrees(0), "0");
    EXPECT_EQ(StrStuff::RoundedDegrees(1.0f), "57");
    EXPECT_EQ(StrStuff::RoundedDegrees(-0.5f), "-29");
    EXPECT_EQ(StrStuff::RoundedDegrees(3.14159265f), "180");
    EXPECT_EQ(StrStuff::RoundedDegrees(-0.6f * 0.017453292f), "-1");
    // Beyond the int range and NaN: saturated and 0 instead of undefined behaviour.
    EXPECT_EQ(StrStuff::RoundedDegrees(1e30f), "2147483647");
    EXPECT_EQ(StrStuff::RoundedDegrees(std::nanf("")), "0");
}

TEST(StrStuffMisc, FingerNamesReplaceCharsAndVersion)
{
    EXPECT_EQ(StrStuff::ToString(Finger::Thumb), "Thumb");
    EXPECT_EQ(StrStuff::ToString(Finger::Pinky), "Pinky");
    EXPECT_EQ(StrStuff::ReplaceChars("a,b,,c", ',', '.'), "a.b..c");
    EXPECT_EQ(TSCore::Library::Version(), "TSCore C++ Library v1.1.1");
}

TEST(Debugger, PrintsOnlyAtOrBelowTheThreshold)
{
    ASSERT_EQ(Debugger::defaultLevel, DebugLevel::Off);
    {
        LogCapture log(DebugLevel::Off);
        Debugger::Log("hidden", DebugLevel::Errors);
        EXPECT_EQ(log.Take(), "");
    }
    {
        LogCapture log(DebugLevel::Warnings);
        Debugger::Log("e", DebugLevel::Errors);
        Debugger::Log("w", DebugLevel::Warnings);
        Debugger::Log("v", DebugLevel::Verbose);
        EXPECT_EQ(log.Take(), "e\nw\n");
    }
}
