#pragma once

// --help that fits an 80-column terminal, for every tool: descriptions are wrapped at word
// boundaries and continue under their column.

#include <cstddef>
#include <string>

#include <CLI/CLI.hpp>

namespace ToolCommon
{
    class HelpFormatter : public CLI::Formatter
    {
    public:
        static constexpr std::size_t width = 80;

        std::string make_description(const CLI::App* app) const override;
        std::string make_option_desc(const CLI::Option* option) const override;
        std::string make_subcommand(const CLI::App* command) const override;
        std::string make_footer(const CLI::App* app) const override;

        /// Greedy wrap at spaces into lines shorter than columns; existing line breaks stay and
        /// lines that fit are kept as they are. A line that starts with spaces keeps them and
        /// its continuations are indented two more; a word longer than the width stays whole.
        static std::string Wrap(const std::string& text, std::size_t columns);
    };
}
