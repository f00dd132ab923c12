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

int main(int argc, char** argv)
{
    using namespace TSCoreCli;

    CLI::App app{"Command-line tool for haptic data gloves, on " + TSCore::Library::Version() +
                     ".\nGloves are reached through the connection service (or tesslink-sim).",
                 "tscore"};
    app.footer(exitCodeHelp);
    app.require_subcommand(1);
    app.set_version_flag("--version", TSCore::Library::Version());

    const std::pair<const char*, Runner (*)(CLI::App&)> table[] = {
        {"list", AddList},       {"watch", AddWatch},         {"pose", AddPose},     {"record", AddRecord},
        {"haptics", AddHaptics}, {"calibrate", AddCalibrate}, {"render", AddRender},
    };
    std::vector<std::pair<CLI::App*, Runner>> commands;
    for (const auto& [name, add] : table)
    {
        Runner run = add(app);
        CLI::App* command = app.get_subcommand(name);
        command->footer(exitCodeHelp);
        commands.emplace_back(command, std::move(run));
    }

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        if (e.get_exit_code() == 0) // --help, --version
            return app.exit(e);
        std::string help = "tscore --help";
        for (const CLI::App* command : app.get_subcommands())
            help = "tscore " + command->get_name() + " --help";
        return Fail(exitUsage, ToolCommon::ReadableError(e) + " (see " + help + ")");
    }

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
