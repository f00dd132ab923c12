// tesslink-sim: a stand-in for the glove connection service. It publishes simulated
// devices in the "Devices" and "Data" shared-memory segments, reports the haptic
// commands that applications write into "Haptics", and takes control commands on stdin.

#include "Console.h"
#include "DeviceBuilder.h"
#include "ExitCode.h"
#include "HelpFormatter.h"
#include "OptionChecks.h"
#include "Service.h"
#include "SimOptions.h"
#include "StopSignal.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace
{
    using namespace TessLinkSim;
    using namespace ToolCommon::ExitCodes;

    // Paragraphs are wrapped to the terminal by the help formatter; indented lines are
    // formats and stay one per line.
    std::string Description()
    {
        return "Stand-in connection service for TSCore. Creates the shared-memory segments \"Devices\", "
               "\"Data\" and \"Haptics\", announces the devices given below (in command-line order, as "
               "device0, device1, ...), refreshes \"scanActive\" every second and publishes animated sensor "
               "texts. It reads \"Haptics\" every millisecond and prints one line each time the command text "
               "under a key differs from the one it last saw (a command held for 5 ms is always seen; sending "
               "the same command again prints nothing):\n"
               "  haptics device<i> beta raw=<hex>\n"
               "  haptics device<i> tessara ffb=T,I,M,R,P buzz=T,I,M,R,P thumper=<code|none> raw=<hex>\n"
               "  haptics device<i> kelvo ffb=T,I,M,R buzz=T,I thumper=N raw=<hex>\n"
               "  haptics device<i> <kind> malformed raw=<hex>\n"
               "A simulated glove's force feedback brakes its fingers (closure 0 open to 1 fist) from the "
               "moment the command is read, and the next sensor text published shows it. When a finger's "
               "level rises from 0, the finger is held where it is then: under level L it closes at most "
               "(100-L)% of the remaining way beyond that point (100 stops it there), however far its motion "
               "or 'flex' would take it, and after opening it stops at the same point again. A brake never "
               "pushes a finger open, and opening is never braked. When the level falls (to 0: released), a "
               "finger held back closes toward its motion at up to 4 closures per second, then follows it "
               "again. A Kelvo's four channels brake thumb to ring; its pinky follows the ring. 'brakes I' "
               "answers with glove I's levels, held=1 for each finger its brake keeps from where the motion "
               "or 'flex' would take it, and the closures (three decimals):\n"
               "  brakes <i> ffb=T,I,M,R,P held=T,I,M,R,P closure=T,I,M,R,P\n"
               "Prints \"ready\" once everything is published. Removes the segments it created on SIGINT, "
               "SIGTERM, \"quit\" or after --seconds. Refuses to start while another running service owns the "
               "segments (see --takeover).\n"
               "\n"
               "Control commands on stdin, one per line, answered by \"ok\" (brakes: its line) or \"error: ...\" "
               "(end of input does not stop the service):\n" +
               Service::ControlHelp();
    }
}

int main(int argc, char** argv)
{
    ToolCommon::SetConsoleName("tesslink-sim");
    CLI::App app{Description(), "tesslink-sim"};
    auto formatter = std::make_shared<ToolCommon::HelpFormatter>();
    formatter->column_width(34);
    app.formatter(formatter);
    app.footer(ToolCommon::ExitCodeHelp(ToolCommon::Tool::simulator));
    SimOptions options;
    const DeviceOptions deviceOptions = AddOptions(app, options);
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        if (e.get_exit_code() == 0)
            return app.exit(e);
        return ToolCommon::Fail(exitUsage, ToolCommon::ReadableError(e) + " (see tesslink-sim --help)");
    }

    std::vector<std::string> warnings;
    std::string error = CheckOptions(app, deviceOptions, options, warnings);
    std::vector<std::unique_ptr<SimDevice>> devices;
    if (error.empty())
        DeviceBuilder(options, deviceOptions).Build(app, devices, error, warnings);
    for (const std::string& warning : warnings)
        ToolCommon::Warn(warning);
    if (!error.empty())
        return ToolCommon::Fail(exitUsage, error);

    ToolCommon::InstallStopSignals();
    Service service(std::move(options.service), std::move(devices));
    return service.Run();
}
