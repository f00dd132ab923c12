// tscore-bridge: gloves on one machine, used from others. `publish` runs beside the
// connection service of the glove machine, `mirror` on every machine that uses the gloves.

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include <TSCore/Util/Library.h>

#include "CommandLine.h"
#include "Commands.h"
#include "Console.h"
#include "ExitCode.h"
#include "HelpFormatter.h"
#include "StopSignal.h"
#include "dds/Entity.h"

int main(int argc, char** argv)
{
    using namespace TSCoreBridge;
    using namespace ToolCommon::ExitCodes;
    using ToolCommon::Fail;

    ToolCommon::SetConsoleName("tscore-bridge");
    const std::string exitCodeHelp = ToolCommon::ExitCodeHelp(ToolCommon::Tool::bridge);
    CLI::App app{"Gloves on one machine, used from others over DDS (Eclipse Cyclone DDS), on " +
                     TSCore::Library::Version() +
                     ".\nNetwork interfaces, unicast peers and DDS Security come from the Cyclone DDS "
                     "configuration that CYCLONEDDS_URI names.",
                 "tscore-bridge"};
    // Before the subcommands, which take it over.
    app.formatter(std::make_shared<ToolCommon::HelpFormatter>());
    app.footer(exitCodeHelp);
    app.require_subcommand(1);
    app.set_version_flag("--version", TSCore::Library::Version());

    const std::pair<const char*, Runner (*)(CLI::App&)> table[] = {
        {"publish", AddPublish},
        {"mirror", AddMirror},
    };
    std::vector<std::pair<CLI::App*, Runner>> commands;
    std::vector<std::string> names;
    for (const auto& [name, add] : table)
    {
        Runner run = add(app);
        CLI::App* command = app.get_subcommand(name);
        command->footer(exitCodeHelp);
        commands.emplace_back(command, std::move(run));
        names.emplace_back(name);
    }
    if (const std::string unknown = ToolCommon::UnknownCommand(argc, argv, names, "tscore-bridge"); !unknown.empty())
        return Fail(exitUsage, unknown);

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        if (e.get_exit_code() == 0) // --help, --version
            return app.exit(e);
        return Fail(exitUsage, ToolCommon::UsageMessage(app, e));
    }

    ToolCommon::InstallStopSignals();
    try
    {
        for (auto& [command, run] : commands)
            if (command->parsed())
                return run();
    }
    catch (const Dds::Error& e)
    {
        return Fail(exitNetwork, std::string(e.what()) + " (check the configuration that CYCLONEDDS_URI names)");
    }
    catch (const std::exception& e)
    {
        return Fail(exitInternal, std::string("internal error: ") + e.what());
    }
    return exitUsage;
}
