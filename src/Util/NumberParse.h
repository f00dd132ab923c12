#pragma once

// Number conversion shared by the text readers. It keeps the standard conversion
// rules (leading white space, sign, trailing text ignored, range errors) but is
// independent of the process locale, so an application that switches to a
// decimal-comma locale still reads and writes the library's texts unchanged.

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace TSCore::Util::detail
{
    enum class ParseStatus
    {
        Ok,
        Invalid,    ///< no number at the start of the text
        OutOfRange, ///< a number, but not representable in the target type
    };

    /// What the standard conversions report for a number outside their type; the library's
    /// logs and public exceptions use these texts.
    inline constexpr char intRangeError[] = "stoi argument out of range";
    inline constexpr char floatRangeError[] = "stof argument out of range";

    /// Decimal integer as std::stoi reads it, up to the first NUL.
    ParseStatus ParseInt(std::string_view text, int& out) noexcept;

    /// Float as std::stof reads it in the "C" locale ('.' as decimal mark), up to the first
    /// NUL. Plain decimal text takes a fast path without locale or errno; anything else
    /// (hexadecimal, infinities, results near the range limits) the standard conversion.
    ParseStatus ParseFloat(std::string_view text, float& out) noexcept;

    /// StrStuff::ToInt with the range error as a result: empty text gives fallback silently,
    /// text without a number logs at Verbose and gives fallback. False, out unchanged, for a
    /// number outside the int range; the caller states what that means for its text.
    bool ReadInt(std::string_view text, int fallback, int& out);

    /// StrStuff::ToFloat likewise: ',' read as '.', false for a value outside the float range.
    bool ReadFloat(std::string_view text, float fallback, float& out);

    /// Truncation toward zero without undefined behaviour: NaN gives 0, values beyond
    /// the int range saturate.
    inline int SaturatingToInt(double value) noexcept
    {
        if (std::isnan(value))
            return 0;
        if (value >= 2147483647.0)
            return std::numeric_limits<int>::max();
        if (value <= -2147483648.0)
            return std::numeric_limits<int>::min();
        return static_cast<int>(value);
    }
}
