#pragma once

// Checks of numeric command-line options whose messages read as words ("must be more than 0
// seconds, not -1") rather than as the parser's range dump, shared by every tool.

#include <string>

#include <CLI/CLI.hpp>

namespace ToolCommon
{
    /// A number above low; unit names what it counts ("seconds"), may be empty.
    CLI::Validator MoreThan(double low, const std::string& unit);
    /// A number of at least low.
    CLI::Validator AtLeast(double low, const std::string& unit);
    /// A number from low to high, both included.
    CLI::Validator Between(double low, double high, const std::string& unit);
    /// A whole number from low to high, both included.
    CLI::Validator WholeBetween(long long low, long long high, const std::string& unit);

    /// The parser's message for e, with "--opt: must ..." turned into "--opt must ...".
    std::string ReadableError(const CLI::ParseError& e);
}
