#include "SimOptions.h"

#include "ExitCode.h"
#include "OptionChecks.h"

#include <regex>
#include <string>

namespace TessLinkSim
{
    namespace
    {
        using ToolCommon::AtLeast;
        using ToolCommon::Between;
        using ToolCommon::MoreThan;
        using ToolCommon::WholeBetween;

        const std::regex tessaraArgument(R"((right|left)(:([0-9]{1,3}(\.[0-9]{1,6})?))?)");
        const std::regex integerText(R"(-?[0-9]+)");

        CLI::Option* Repeatable(CLI::Option* option) { return option->expected(1)->take_all(); }

        void AddDeviceOptions(CLI::App& app, SimOptions& o, DeviceOptions& d)
        {
            d.beta = Repeatable(app.add_option("--beta", o.betas,
                                               "Beta device with constants 'ID:HW:vX.Y' (type -1). "
                                               "Sensor text 'beta <counter>'. Repeatable.")
                                    ->type_name("ID:HW:vX.Y"));
            app.add_option("--beta-text", o.betaText, "Fixed sensor text of every beta device instead of the counter.")
                ->type_name("TEXT");
            d.record = Repeatable(app.add_option("--record", o.records,
                                                 "Device record published verbatim (its sensor text is empty). "
                                                 "Write --record=RAW when RAW starts with '-'. Repeatable.")
                                      ->type_name("RAW"));
            d.tessara = Repeatable(
                app.add_option("--tessara", o.tessaras,
                               "Exoskeleton glove (type 0), identity QX7.2-R0001, QX7.2-L0002, ... in order; "
                               "FIRMWARE (default 4.7, e.g. 4.6 or 5.0) decides whether its commands carry a "
                               "thumper byte (only when the main version is 4 or more and the sub-version 7 or "
                               "more). Repeatable.")
                    ->type_name("right|left[:FIRMWARE]")
                    ->check(CLI::Validator(
                        [](std::string& value)
                        {
                            return std::regex_match(value, tessaraArgument)
                                       ? std::string()
                                       : "must be right or left, optionally followed by :FIRMWARE such as :4.7";
                        },
                        "")));
            d.kelvo = Repeatable(app.add_option("--kelvo", o.kelvos, "Kelvo glove (type 2). Repeatable.")
                                     ->type_name("right|left")
                                     ->check(CLI::IsMember({"right", "left"}).description("")));
            d.gloves = Repeatable(app.add_option("--gloves", o.gloves,
                                                 "N exoskeleton gloves alternating right, left (firmware 4.7), for "
                                                 "scaling runs.")
                                      ->type_name("N")
                                      ->check(WholeBetween(0, 4096, "")));
            app.add_flag("--standard-constants", o.standardConstants,
                         "Exoskeleton gloves announce the standard constants string verbatim: identity "
                         "QX7.2-R0008 or QX7.2-L0007 and the firmware in printf's %f form (v4.700000).");
        }

        void AddMotionOptions(CLI::App& app, SimOptions& o, DeviceOptions& d)
        {
            d.replay = app.add_option("--replay", o.replay,
                                      "Play a recording made by 'tscore record': its devices are announced in "
                                      "recorded order with their sensor texts at the recorded times. A damaged "
                                      "last line is left out with a warning.")
                           ->type_name("FILE");
            app.add_flag("--loop", o.loop, "With --replay: start again at the end (otherwise the last texts stay).");
            app.add_option("--speed", o.speed, "With --replay: recorded seconds played per second.")
                ->capture_default_str()
                ->check(Between(0.01, 100.0, "times"));
            app.add_option("--motion", o.motion,
                           "Motion of simulated gloves: open, fist, wave (each finger closes and opens in turn), "
                           "pinch (thumb and index tips together).")
                ->capture_default_str()
                ->check(CLI::IsMember({"open", "fist", "wave", "pinch"}).description(""));
            app.add_option("--period", o.period, "Seconds of one wave cycle.")
                ->capture_default_str()
                ->check(Between(0.05, 3600.0, "seconds"));
            app.add_option("--noise", o.noise,
                           "Sensor noise of simulated gloves: each reading moves by up to this fraction of its "
                           "open-to-fist span.")
                ->type_name("FRACTION")
                ->capture_default_str()
                ->check(Between(0.0, 1.0, ""));
            app.add_option("--rate", o.service.rate, "Sensor texts published per second.")
                ->capture_default_str()
                ->check(Between(0.1, 2000.0, "per second"));
        }

        void AddServiceOptions(CLI::App& app, SimOptions& o)
        {
            app.add_option("--size", o.service.segmentSize,
                           "Bytes of the \"Devices\" and \"Data\" segments (enlarged automatically for many devices).")
                ->capture_default_str()
                ->check(WholeBetween(8192, 1LL << 30, "bytes"));
            app.add_flag("--verbose", o.service.verbose,
                         "Print what is published, once, and a status line every second (on stderr).");
            app.add_flag("--takeover", o.service.takeover,
                         "Replace a running service that owns the segments (it notices and stops) instead of "
                         "refusing to start.");
            app.add_option("--seconds", o.seconds, "Run for SECONDS, then clean up and exit 0.")
                ->type_name("SECONDS")
                ->check(MoreThan(0.0, "seconds"));
        }

        void AddFaultOptions(CLI::App& app, SimOptions& o)
        {
            app.add_flag("--stress", o.service.stress,
                         "Torn-read stress: rewrite every sensor text as fast as possible; beta devices then "
                         "publish 'stress:<counter>:<padding of varying length>:<check value>' (the check value is "
                         "the FNV-1a hash of everything before its colon).");
            app.add_flag("--stale", o.service.stale,
                         "Fault: write \"scanActive\" once as now-100 and never refresh it.");
            app.add_option("--scan-offset", o.scanOffset,
                           "Fault: time stamp = now + SECONDS (may be negative; write --scan-offset=-20), refreshed "
                           "every second.")
                ->type_name("SECONDS")
                ->check(Between(-1e9, 1e9, "seconds"));
            app.add_option("--disconnect-after", o.disconnectAfter,
                           "Fault: after SECONDS every record's state becomes 0 and the sensor texts stop changing.")
                ->type_name("SECONDS")
                ->check(AtLeast(0.0, "seconds"));
            app.add_option("--n-devices", o.nDevices, "Fault: announce N as \"nDevices\" instead of the real count.")
                ->type_name("N")
                ->check(CLI::Validator(
                    [](std::string& value)
                    { return std::regex_match(value, integerText) ? std::string() : "must be a whole number"; },
                    ""));
            app.add_option("--crash-after", o.crashAfter,
                           "Fault: after SECONDS exit with status " +
                               std::to_string(ToolCommon::ExitCodes::exitCrashed) + ", leaving the segments behind.")
                ->type_name("SECONDS")
                ->check(AtLeast(0.0, "seconds"));
        }

        bool Given(const CLI::App& app, const char* name) { return app.count(name) > 0; }
    }

    bool ParseTessaraArgument(const std::string& text, bool& right, std::string& firmware)
    {
        std::smatch match;
        if (!std::regex_match(text, match, tessaraArgument))
            return false;
        right = match[1] == "right";
        firmware = match[3].matched ? match[3].str() : std::string();
        return true;
    }

    DeviceOptions AddOptions(CLI::App& app, SimOptions& options)
    {
        DeviceOptions devices;
        AddDeviceOptions(app, options, devices);
        AddMotionOptions(app, options, devices);
        AddServiceOptions(app, options);
        AddFaultOptions(app, options);
        return devices;
    }

    std::string CheckOptions(const CLI::App& app, const DeviceOptions& d, SimOptions& o,
                             std::vector<std::string>& warnings)
    {
        ServiceOptions& s = o.service;
        if (Given(app, "--scan-offset"))
            s.scanOffset = o.scanOffset;
        if (Given(app, "--disconnect-after"))
            s.disconnectAfter = o.disconnectAfter;
        if (Given(app, "--crash-after"))
            s.crashAfter = o.crashAfter;
        if (Given(app, "--seconds"))
            s.seconds = o.seconds;
        if (Given(app, "--n-devices"))
            s.nDevices = o.nDevices;

        const bool replay = d.replay->count() > 0;
        const bool gloves = d.tessara->count() + d.kelvo->count() + d.gloves->count() > 0;
        if (!replay && !gloves && d.beta->count() + d.record->count() == 0)
            return "no devices to announce: give --tessara right, --kelvo left, --beta ID:HW:vX.Y, --record RAW "
                   "or --replay FILE (see --help)";
        if (!replay && (Given(app, "--loop") || Given(app, "--speed")))
            return "--loop and --speed play a recording: they need --replay FILE";
        if (!gloves)
            for (const char* name : {"--motion", "--period", "--noise", "--standard-constants"})
                if (Given(app, name))
                    warnings.push_back(std::string(name) + " has no effect without a simulated glove "
                                                           "(--tessara, --kelvo or --gloves)");
        if (replay && gloves)
            warnings.push_back("the recording's devices and the simulated gloves are numbered in command-line "
                               "order, so a replayed glove may not keep the index it had");
        if (Given(app, "--beta-text") && d.beta->count() == 0)
            warnings.push_back("--beta-text has no effect without --beta");
        return std::string();
    }
}
