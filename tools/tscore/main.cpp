// tscore: the command-line tool of a glove developer. Lists devices, shows live poses,
// records and sends haptics, calibrates profiles and draws poses, all through the library.

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include <TSCore/Util/Library.h>

#include "CommandLine.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "HelpFormatter.h"

namespace
{
    using namespace TSCoreCli;

    const std::pair<const char*, Runner (*)(CLI::App&)> commandTable[] = {
        {"list", AddList},       {"watch", AddWatch},         {"pose", AddPose},     {"record", AddRecord},
        {"haptics", AddHaptics}, {"calibrate", AddCalibrate}, {"render", AddRender}, {"view", AddView},
    };

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
            return Fail(exitUsage, ToolCommon::UsageMessage(app, e));
        }
    }
}

int main(int argc, char** argv)
{
    ToolCommon::SetConsoleName("tscore");
    const std::string exitCodeHelp = ToolCommon::ExitCodeHelp(ToolCommon::Tool::tscore);
    CLI::App app{"Command-line tool for haptic data gloves, on " + TSCore::Library::Version() +
                     ".\nGloves are reached through the connection service (or tesslink-sim).",
                 "tscore"};
    // Before the subcommands, which take it over.
    app.formatter(std::make_shared<ToolCommon::HelpFormatter>());
    app.footer(exitCodeHelp);
    app.require_subcommand(1);
    app.set_version_flag("--version", TSCore::Library::Version());
    std::vector<std::pair<CLI::App*, Runner>> commands;
    std::vector<std::string> names;
    for (const auto& [name, add] : commandTable)
    {
        Runner run = add(app);
        CLI::App* command = app.get_subcommand(name);
        command->footer(exitCodeHelp);
        commands.emplace_back(command, std::move(run));
        names.emplace_back(name);
    }
    if (const std::string unknown = ToolCommon::UnknownCommand(argc, argv, names, "tscore"); !unknown.empty())
        return Fail(exitUsage, unknown);
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
