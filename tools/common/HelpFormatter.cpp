#include "HelpFormatter.h"

#include <sstream>

namespace TSCoreBridge
{
    std::string HelpFormatter::make_description(const CLI::App* app) const
    {
        return Wrap(CLI::Formatter::make_description(app), width);
    }

    std::string HelpFormatter::make_option_desc(const CLI::Option* option) const
    {
        return Wrap(CLI::Formatter::make_option_desc(option), width - get_column_width());
    }

    std::string HelpFormatter::make_subcommand(const CLI::App* command) const
    {
        std::stringstream out;
        CLI::detail::format_help(out, command->get_display_name(true),
                                 Wrap(command->get_description(), width - get_column_width()), get_column_width());
        return out.str();
    }

    std::string HelpFormatter::Wrap(const std::string& text, std::size_t columns)
    {
        std::string out;
        std::size_t lineLength = 0;
        std::size_t start = 0;
        while (start < text.size())
        {
            const std::size_t end = text.find_first_of(" \n", start);
            const std::size_t wordEnd = end == std::string::npos ? text.size() : end;
            const std::size_t word = wordEnd - start;
            if (lineLength > 0 && lineLength + 1 + word > columns)
            {
                out += '\n';
                lineLength = 0;
            }
            else if (lineLength > 0)
            {
                out += ' ';
                ++lineLength;
            }
            out.append(text, start, word);
            lineLength += word;
            if (end != std::string::npos && text[end] == '\n')
            {
                out += '\n';
                lineLength = 0;
            }
            start = wordEnd + 1;
        }
        return out;
    }
}
