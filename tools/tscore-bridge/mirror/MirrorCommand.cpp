#include "Commands.h"
#include "Mirror.h"

namespace TSCoreBridge
{
    Runner AddMirror(CLI::App& app)
    {
        auto* command = app.add_subcommand(
            "mirror",
            "On a remote machine: act as its connection service, fed by a publisher, so that applications there "
            "(tscore included) see the remote gloves as local ones.");
        auto options = std::make_shared<MirrorOptions>();
        AddNetworkOptions(*command, options->domain, options->partition);
        command->add_flag("--takeover", options->takeover,
                          "Replace the connection service that runs on this machine (it notices and stops) instead "
                          "of refusing to start.");
        command->add_flag("--verbose", options->verbose, "Print the statistics every 5 seconds (on stderr).");
        return [options]()
        {
            Mirror mirror(*options);
            return mirror.Run();
        };
    }
}
