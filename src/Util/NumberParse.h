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

    /// Decimal integer as std::stoi reads it.
    ParseStatus ParseInt(const std::string& text, int& out) noexcept;

    /// Float as std::stof reads it in the "C" locale ('.' as decimal mark), up to the first
    /// NUL. Plain decimal text takes a fast path without locale or errno; anything else
    /// (hexadecimal, infinities, results near the range limits) the standard conversion.
    ParseStatus ParseFloat(std::string_view text, float& out) noexcept;

    /// StrStuff::ToFloat on a view: ',' read as '.', empty text gives fallback silently,
    /// text without a number logs and gives fallback, a value outside the float range
    /// throws std::out_of_range("stof argument out of range").
    float ToFloat(std::string_view text, float fallback);

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
