#include "Util/NumberParse.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <system_error>

#include "Diagnostics/Log.h"

namespace TSCore::Util::detail
{
    namespace
    {
        bool IsSpace(char c) noexcept
        {
            return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
        }

        // The standard conversions stop at an embedded NUL and skip leading white space.
        std::string_view UpToNul(std::string_view text) noexcept { return text.substr(0, text.find('\0')); }

        const char* SkipSpace(const char* p, const char* end) noexcept
        {
            while (p < end && IsSpace(*p))
                ++p;
            return p;
        }

        locale_t CLocale() noexcept
        {
            static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
            return c;
        }
    }

    ParseStatus ParseInt(std::string_view text, int& out) noexcept
    {
        text = UpToNul(text);
        const char* const end = text.data() + text.size();
        const char* p = SkipSpace(text.data(), end);
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-'))
        {
            negative = *p == '-';
            ++p;
        }
        if (p == end || *p < '0' || *p > '9')
            return ParseStatus::Invalid;
        // Accumulate the magnitude as a negative number so INT_MIN is representable.
        long long value = 0;
        bool overflow = false;
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
        {
            if (!overflow)
            {
                value = value * 10 - (*p - '0');
                if (value < -2147483648LL)
                    overflow = true;
            }
        }
        if (!negative)
        {
            if (overflow || value < -2147483647LL)
                return ParseStatus::OutOfRange;
            out = static_cast<int>(-value);
        }
        else
        {
            if (overflow)
                return ParseStatus::OutOfRange;
            out = static_cast<int>(value);
        }
        return ParseStatus::Ok;
    }

    namespace
    {
        bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

        // True when the mantissa of a decimal number has no digit other than 0, so that a
        // result of 0 is exact rather than an underflow.
        bool ZeroMantissa(const char* begin, const char* end) noexcept
        {
            for (const char* p = begin; p < end && *p != 'e' && *p != 'E'; ++p)
                if (*p >= '1' && *p <= '9')
                    return false;
            return true;
        }

        // Powers of ten that a float holds exactly.
        constexpr float exactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

        // The sensor strings' usual form: digits with an optional point, the digits as an
        // integer below 2^24, at most ten after the point. That integer and the power of ten are
        // both exact floats, so one IEEE division gives the correctly rounded result: the same
        // bits as a full conversion. False for anything else (exponents, long mantissas), which
        // the full conversion then reads; with whole, also for text after the number.
        bool ParseShortDecimal(const char* p, const char* end, bool negative, bool whole, float& out) noexcept
        {
            std::uint32_t mantissa = 0;
            int digits = 0;
            int fraction = -1; // digits after the point, -1 before a point
            for (; p < end; ++p)
            {
                if (IsDigit(*p))
                {
                    mantissa = mantissa * 10u + static_cast<std::uint32_t>(*p - '0');
                    if (mantissa >= (1u << 24) || ++digits > 9)
                        return false;
                    if (fraction >= 0)
                        ++fraction;
                }
                else if (*p == '.' && fraction < 0)
                    fraction = 0;
                else
                    break;
            }
            if (digits == 0 || fraction > 10 || (p < end && (whole || *p == 'e' || *p == 'E')))
                return false;
            const float magnitude = static_cast<float>(mantissa) / exactPowersOfTen[fraction > 0 ? fraction : 0];
            out = negative ? -magnitude : magnitude;
            return true;
        }

        ParseStatus StandardParseFloat(const std::string& text, float& out) noexcept
        {
            const char* begin = text.c_str();
            char* end = nullptr;
            const int savedErrno = errno;
            errno = 0;
            const locale_t c = CLocale();
            const float value = c ? strtof_l(begin, &end, c) : std::strtof(begin, &end);
            const int err = errno;
            errno = savedErrno;
            if (end == begin)
                return ParseStatus::Invalid;
            if (err == ERANGE)
                return ParseStatus::OutOfRange;
            out = value;
            return ParseStatus::Ok;
        }
    }

    ParseStatus ParseFloat(std::string_view text, float& out) noexcept
    {
        text = UpToNul(text);
        const char* const end = text.data() + text.size();
        const char* p = SkipSpace(text.data(), end);
        // from_chars reads no '+' and no leading white space; strtof reads both.
        const char* number = (p < end && *p == '+') ? p + 1 : p;
        const char* digits = (number < end && *number == '-' && number == p) ? number + 1 : number;
        const bool plainDecimal = digits < end && (IsDigit(*digits) || *digits == '.') &&
                                  !(digits + 1 < end && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'));
        if (plainDecimal && ParseShortDecimal(digits, end, digits != number, false, out))
            return ParseStatus::Ok;
        if (plainDecimal)
        {
            float value = 0.0f;
            const std::from_chars_result r = std::from_chars(number, end, value, std::chars_format::general);
            if (r.ec == std::errc() && r.ptr != number &&
                (std::isnormal(value) || (value == 0.0f && ZeroMantissa(digits, r.ptr))))
            {
                out = value;
                return ParseStatus::Ok;
            }
        }
        try
        {
            return StandardParseFloat(std::string(text), out);
        }
        catch (...)
        {
            return ParseStatus::Invalid; // no memory for the copy: as unreadable as no number
        }
    }

    namespace
    {
        // What a conversion's status means to StrStuff's callers: a number outside the type is
        // the caller's to judge; text without a number is the fallback, logged.
        template <typename T>
        bool Settle(ParseStatus status, std::string_view text, const char* complaint, T fallback, T& out)
        {
            if (status == ParseStatus::OutOfRange)
                return false;
            if (status == ParseStatus::Invalid)
            {
                TSCORE_LOG(Verbose, std::string(text) + complaint);
                out = fallback;
            }
            return true;
        }
    }

    bool ReadInt(std::string_view text, int fallback, int& out)
    {
        if (text.empty())
        {
            out = fallback;
            return true;
        }
        return Settle(ParseInt(text, out), text, " is not a valid integer number!", fallback, out);
    }

    bool ReadFloat(std::string_view text, float fallback, float& out)
    {
        if (text.empty())
        {
            out = fallback;
            return true;
        }
        // A field that is nothing but a short decimal, as in every sensor string, in one pass.
        const bool negative = text[0] == '-';
        if (ParseShortDecimal(text.data() + (negative ? 1 : 0), text.data() + text.size(), negative, true, out))
            return true;
        if (text.find(',') == std::string_view::npos)
            return Settle(ParseFloat(text, out), text, " is not a valid float!", fallback, out);
        // A decimal comma reads as a point; the log shows the text as it was read.
        std::string decimalPoint(text);
        for (char& c : decimalPoint)
            if (c == ',')
                c = '.';
        return Settle(ParseFloat(decimalPoint, out), decimalPoint, " is not a valid float!", fallback, out);
    }
}
