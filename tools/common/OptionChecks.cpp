#include "OptionChecks.h"

#include <charconv>
#include <cmath>
#include <functional>

namespace ToolCommon
{
    namespace
    {
        /// 3600 stays "3600", 0.05 stays "0.05": the shortest text that reads back.
        std::string Number(double value)
        {
            char buffer[64];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
            return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
        }

        std::string Unit(const std::string& unit) { return unit.empty() ? std::string() : " " + unit; }

        /// The whole text as a finite number; CLI11 hands validators the raw argument.
        bool ParseNumber(const std::string& text, double& out)
        {
            const char* end = text.data() + text.size();
            const auto result = std::from_chars(text.data(), end, out);
            return result.ec == std::errc() && result.ptr == end && std::isfinite(out);
        }

        CLI::Validator Check(std::function<bool(double)> accept, std::string rule)
        {
            return CLI::Validator(
                [accept, rule](std::string& text) -> std::string
                {
                    double value = 0.0;
                    if (!ParseNumber(text, value))
                        return "must be " + rule + ", not '" + text + "'";
                    return accept(value) ? std::string() : "must be " + rule + ", not " + text;
                },
                "");
        }
    }

    CLI::Validator MoreThan(double low, const std::string& unit)
    {
        return Check([low](double v) { return v > low; }, "more than " + Number(low) + Unit(unit));
    }

    CLI::Validator AtLeast(double low, const std::string& unit)
    {
        return Check([low](double v) { return v >= low; }, Number(low) + Unit(unit) + " or more");
    }

    CLI::Validator Between(double low, double high, const std::string& unit)
    {
        return Check([low, high](double v) { return v >= low && v <= high; },
                     "from " + Number(low) + " to " + Number(high) + Unit(unit));
    }

    CLI::Validator WholeBetween(long long low, long long high, const std::string& unit)
    {
        const double from = static_cast<double>(low);
        const double to = static_cast<double>(high);
        return Check([from, to](double v) { return v == std::floor(v) && v >= from && v <= to; },
                     "a whole number from " + std::to_string(low) + " to " + std::to_string(high) + Unit(unit));
    }

    std::string ReadableError(const CLI::ParseError& e)
    {
        std::string message = e.what();
        const std::size_t colon = message.find(": must be ");
        if (message.rfind("-", 0) == 0 && colon != std::string::npos && message.find(' ') > colon)
            message.erase(colon, 1);
        return message;
    }
}
