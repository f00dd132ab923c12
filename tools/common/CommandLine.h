#pragma once

// What a tool with subcommands says when its command line is wrong: the same words and the
// same pointer to the right --help in every tool.

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace ToolCommon
{
    /// "unknown command 'x': the commands are a, b (see tool --help)" when argv[1] names no
    /// command, "a command is required: the commands are ..." when there is none; empty when
    /// argv[1] is a command or an option. CLI11 would otherwise report a mistyped command as a
    /// missing one, and a missing one without naming any.
    std::string UnknownCommand(int argc, char** argv, const std::vector<std::string>& names, const std::string& tool);

    /// The parse error in words, pointing to the --help of the subcommand that was named (or
    /// of the tool).
    std::string UsageMessage(const CLI::App& app, const CLI::ParseError& e);
}
