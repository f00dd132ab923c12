#include "CommandLine.h"

#include "OptionChecks.h"

namespace ToolCommon
{
    std::string UnknownCommand(int argc, char** argv, const std::vector<std::string>& names, const std::string& tool)
    {
        std::string list;
        for (const std::string& name : names)
        {
            if (argc >= 2 && name == argv[1])
                return std::string();
            list += (list.empty() ? "" : ", ") + name;
        }
        const std::string commands = ": the commands are " + list + " (see " + tool + " --help)";
        if (argc < 2)
            return "a command is required" + commands;
        if (argv[1][0] == '-')
            return std::string();
        return "unknown command '" + std::string(argv[1]) + "'" + commands;
    }

    std::string UsageMessage(const CLI::App& app, const CLI::ParseError& e)
    {
        std::string help = app.get_name() + " --help";
        for (const CLI::App* command : app.get_subcommands())
            help = app.get_name() + " " + command->get_name() + " --help";
        return ReadableError(e) + " (see " + help + ")";
    }
}
