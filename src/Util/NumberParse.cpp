#include "Util/NumberParse.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace TSCore::Util::detail
{
    namespace
    {
        bool IsSpace(char c) noexcept
        {
            return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
        }

        locale_t CLocale() noexcept
        {
            static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
            return c;
        }
    }

    ParseStatus ParseInt(const std::string& text, int& out) noexcept
    {
        const char* p = text.c_str(); // stops at an embedded NUL, as the standard conversion does
        while (IsSpace(*p))
            ++p;
        bool negative = false;
        if (*p == '+' || *p == '-')
        {
            negative = *p == '-';
            ++p;
        }
        if (*p < '0' || *p > '9')
            return ParseStatus::Invalid;
        // Accumulate the magnitude as a negative number so INT_MIN is representable.
        long long value = 0;
        bool overflow = false;
        for (; *p >= '0' && *p <= '9'; ++p)
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

    ParseStatus ParseFloat(const std::string& text, float& out) noexcept
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
