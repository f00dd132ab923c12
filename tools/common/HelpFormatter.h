#pragma once

// --help that fits an 80-column terminal: descriptions are wrapped at word boundaries and
// continue under their column.

#include <cstddef>
#include <string>

#include <CLI/CLI.hpp>

namespace TSCoreBridge
{
    class HelpFormatter : public CLI::Formatter
    {
    public:
        static constexpr std::size_t width = 80;

        std::string make_description(const CLI::App* app) const override;
        std::string make_option_desc(const CLI::Option* option) const override;
        std::string make_subcommand(const CLI::App* command) const override;

        /// Greedy wrap at spaces; existing line breaks stay; a word longer than the width
        /// stays whole.
        static std::string Wrap(const std::string& text, std::size_t columns);
    };
}
