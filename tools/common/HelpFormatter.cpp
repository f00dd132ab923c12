#include "HelpFormatter.h"

#include <sstream>

namespace ToolCommon
{
    namespace
    {
        /// One line of text (no line break in it) wrapped into lines of at most columns - 1.
        /// The spaces between words stay as they are (aligned columns), except at a break.
        void WrapLine(const std::string& line, std::size_t columns, std::string& out)
        {
            const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
            const std::size_t limit = columns > 1 ? columns - 1 : 1;
            const std::size_t hanging = indent > 0 ? indent + 2 : 0;
            out.append(indent, ' ');
            std::size_t length = indent;
            bool first = true;
            for (std::size_t start = indent; start < line.size();)
            {
                const std::size_t wordStart = std::min(line.find_first_not_of(' ', start), line.size());
                if (wordStart == line.size())
                    break;
                const std::size_t wordEnd = std::min(line.find(' ', wordStart), line.size());
                const std::size_t gap = wordStart - start;
                const std::size_t word = wordEnd - wordStart;
                if (!first && length + gap + word > limit)
                {
                    out += '\n';
                    out.append(hanging, ' ');
                    length = hanging;
                }
                else if (!first)
                {
                    out.append(gap, ' ');
                    length += gap;
                }
                out.append(line, wordStart, word);
                length += word;
                first = false;
                start = wordEnd;
            }
        }
    }

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

    std::string HelpFormatter::make_footer(const CLI::App* app) const
    {
        return Wrap(CLI::Formatter::make_footer(app), width);
    }

    std::string HelpFormatter::Wrap(const std::string& text, std::size_t columns)
    {
        std::string out;
        for (std::size_t start = 0; start <= text.size();)
        {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            WrapLine(text.substr(start, end - start), columns, out);
            if (end == text.size())
                break;
            out += '\n';
            start = end + 1;
        }
        return out;
    }
}
