// tscore: the command-line tool of a glove developer. Lists devices, shows live poses,
// records and sends haptics, calibrates profiles and draws poses, all through the library.

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include <TSCore/Util/Library.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "OptionChecks.h"

namespace
{
    using namespace TSCoreCli;

    const std::pair<const char*, Runner (*)(CLI::App&)> commandTable[] = {
        {"list", AddList},       {"watch", AddWatch},         {"pose", AddPose},     {"record", AddRecord},
        {"haptics", AddHaptics}, {"calibrate", AddCalibrate}, {"render", AddRender},
    };

    /// A mistyped command would otherwise read as a missing one; exitOk when there is none.
    int CheckCommandName(int argc, char** argv)
    {
        if (argc < 2 || argv[1][0] == '-')
            return exitOk;
        std::string names;
        for (const auto& entry : commandTable)
        {
            if (argv[1] == std::string(entry.first))
                return exitOk;
            names += std::string(names.empty() ? "" : ", ") + entry.first;
        }
        return Fail(exitUsage, std::string("unknown command '") + argv[1] + "': the commands are " + names +
                                   " (see tscore --help)");
    }

    /// exitOk once parsed; otherwise what main returns (0 after --help or --version).
    int Parse(CLI::App& app, int argc, char** argv)
    {
        try
        {
            app.parse(argc, argv);
            return exitOk;
        }
        catch (const CLI::ParseError& e)
        {
            if (e.get_exit_code() == 0) // --help, --version
                return app.exit(e) == 0 ? -1 : exitUsage;
            std::string help = "tscore --help";
            for (const CLI::App* command : app.get_subcommands())
                help = "tscore " + command->get_name() + " --help";
            return Fail(exitUsage, ToolCommon::ReadableError(e) + " (see " + help + ")");
        }
    }
}

int main(int argc, char** argv)
{
    CLI::App app{"Command-line tool for haptic data gloves, on " + TSCore::Library::Version() +
                     ".\nGloves are reached through the connection service (or tesslink-sim).",
                 "tscore"};
    app.footer(exitCodeHelp);
    app.require_subcommand(1);
    app.set_version_flag("--version", TSCore::Library::Version());
    std::vector<std::pair<CLI::App*, Runner>> commands;
    for (const auto& [name, add] : commandTable)
    {
        Runner run = add(app);
        CLI::App* command = app.get_subcommand(name);
        command->footer(exitCodeHelp);
        commands.emplace_back(command, std::move(run));
    }
    if (const int code = CheckCommandName(argc, argv))
        return code;
    if (const int code = Parse(app, argc, argv))
        return code < 0 ? exitOk : code;
    try
    {
        for (auto& [command, run] : commands)
            if (command->parsed())
                return run();
    }
    catch (const std::exception& e)
    {
        return Fail(exitInternal, std::string("internal error: ") + e.what());
    }
    return exitUsage;
}
