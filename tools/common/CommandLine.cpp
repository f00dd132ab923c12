#include "CommandLine.h"

#include "OptionChecks.h"

namespace ToolCommon
{
    std::string UnknownCommand(int argc, char** argv, const std::vector<std::string>& names, const std::string& tool)
    {
        if (argc < 2 || argv[1][0] == '-')
            return std::string();
        std::string list;
        for (const std::string& name : names)
        {
            if (name == argv[1])
                return std::string();
            list += (list.empty() ? "" : ", ") + name;
        }
        return "unknown command '" + std::string(argv[1]) + "': the commands are " + list + " (see " + tool +
               " --help)";
    }

    std::string UsageMessage(const CLI::App& app, const CLI::ParseError& e)
    {
        std::string help = app.get_name() + " --help";
        for (const CLI::App* command : app.get_subcommands())
            help = app.get_name() + " " + command->get_name() + " --help";
        return ReadableError(e) + " (see " + help + ")";
    }
}
