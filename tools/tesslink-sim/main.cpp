// tesslink-sim: a stand-in for the glove connection service. It publishes simulated
// devices in the "Devices" and "Data" shared-memory segments, reports the haptic
// commands that applications write into "Haptics", and takes control commands on stdin.

#include "Motion.h"
#include "Replay.h"
#include "Service.h"
#include "SimDevice.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace
{
    using namespace TessLinkSim;

    extern "C" void OnStopSignal(int)
    {
        Service::RequestStop();
    }

    void InstallSignals()
    {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the wait must return so the loop sees the flag
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
        // A closed stdout must not kill us before the segments are removed; a read of the
        // terminal from the background must fail rather than stop the process.
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGTTIN, SIG_IGN);
    }

    const std::regex tessaraArgument(R"((right|left)(:([0-9]{1,3}(\.[0-9]{1,6})?))?)");
    const std::regex integerText(R"(-?[0-9]+)");

    const char* description =
        "Stand-in connection service for TSCore. Creates the shared-memory segments \"Devices\",\n"
        "\"Data\" and \"Haptics\", announces the devices given below (in command-line order,\n"
        "as device0, device1, ...), refreshes \"scanActive\" every second, publishes animated\n"
        "sensor texts, and prints one line per haptic command written by an application:\n"
        "  haptics device<i> beta raw=<hex>\n"
        "  haptics device<i> tessara ffb=T,I,M,R,P buzz=T,I,M,R,P thumper=<code|none> raw=<hex>\n"
        "  haptics device<i> kelvo ffb=T,I,M,R buzz=T,I thumper=N raw=<hex>\n"
        "  haptics device<i> <kind> malformed raw=<hex>\n"
        "Prints \"ready\" once everything is published. Removes the segments on SIGINT, SIGTERM,\n"
        "\"quit\" or after --seconds.\n"
        "\n"
        "Control commands on stdin, one per line, answered by \"ok\" or \"error: ...\"\n"
        "(end of input does not stop the service):\n"
        "  ndevices N|auto     announce N as nDevices (auto: the real count)\n"
        "  record I TEXT       replace or create the record of device I\n"
        "  data I TEXT         fix the sensor text of device I (stops its animation)\n"
        "  disconnect I        state field of device I becomes 0\n"
        "  connect I           state field of device I becomes 1\n"
        "  scan OFFSET         time stamp = now + OFFSET seconds, refreshed\n"
        "  stale               time stamp = now - 100, no longer refreshed\n"
        "  quit                remove the segments and exit";

    struct Parsed
    {
        std::vector<std::string> betas;
        std::vector<std::string> records;
        std::vector<std::string> tessaras;
        std::vector<std::string> kelvos;
        std::vector<int> gloves;
        std::string replay;
        std::string betaText;
        std::string motion = "wave";
        double period = 4.0;
        bool loop = false;
        std::string nDevices;
        long long scanOffset = 0;
        double disconnectAfter = 0;
        double crashAfter = 0;
        double seconds = 0;
    };

    std::unique_ptr<TessaraSim> MakeTessara(const std::string& argument, const MotionSettings& motion)
    {
        std::smatch match;
        std::regex_match(argument, match, tessaraArgument); // checked by the option's validator
        const bool right = match[1] == "right";
        if (match[3].matched)
            return std::make_unique<TessaraSim>(right, match[3].str(), motion);
        return std::make_unique<TessaraSim>(right, TessaraSim::defaultFirmware, motion);
    }
}

int main(int argc, char** argv)
{
    CLI::App app{description, "tesslink-sim"};
    app.get_formatter()->column_width(34);
    Parsed in;
    ServiceOptions options;

    auto* beta = app.add_option("--beta", in.betas,
                                "Beta device with constants 'ID:HW:vX.Y' (type -1). Sensor text 'beta <counter>'. "
                                "Repeatable.")
                     ->type_name("ID:HW:vX.Y")
                     ->expected(1)
                     ->take_all();
    app.add_option("--beta-text", in.betaText, "Fixed sensor text of every beta device instead of the counter.")
        ->type_name("TEXT");
    auto* record = app.add_option("--record", in.records,
                                  "Device record published verbatim (its sensor text is empty). Write --record=RAW "
                                  "when RAW starts with '-'. Repeatable.")
                       ->type_name("RAW")
                       ->expected(1)
                       ->take_all();
    auto* tessara =
        app.add_option("--tessara", in.tessaras,
                       "Exoskeleton glove (type 0) with the standard constants string of that side; FIRMWARE "
                       "(default 4.7, e.g. 4.9 or 5.0) decides whether its commands carry a thumper byte. Repeatable.")
            ->type_name("right|left[:FIRMWARE]")
            ->expected(1)
            ->take_all()
            ->check(CLI::Validator(
                [](std::string& value) {
                    return std::regex_match(value, tessaraArgument) ? std::string()
                                                                : "expected right or left, optionally :FIRMWARE";
                },
                ""));
    auto* kelvo = app.add_option("--kelvo", in.kelvos, "Second-model glove (type 2). Repeatable.")
                      ->type_name("right|left")
                      ->expected(1)
                      ->take_all()
                      ->check(CLI::IsMember({"right", "left"}).description(""));
    auto* gloves = app.add_option("--gloves", in.gloves,
                                  "N exoskeleton gloves alternating right, left (firmware 4.7), for scaling runs.")
                       ->type_name("N")
                       ->expected(1)
                       ->take_all()
                       ->check(CLI::Range(0, 4096));
    auto* replay = app.add_option("--replay", in.replay,
                                  "Play a recording made by 'tscore record': its devices are announced in recorded "
                                  "order with their sensor texts at the recorded times.")
                       ->type_name("FILE");
    app.add_flag("--loop", in.loop, "With --replay: start again at the end (otherwise the last texts stay).");
    app.add_option("--motion", in.motion,
                   "Motion of simulated gloves: open, fist, wave (each finger closes and opens in turn), pinch "
                   "(thumb and index half closed).")
        ->capture_default_str()
        ->check(CLI::IsMember({"open", "fist", "wave", "pinch"}));
    app.add_option("--period", in.period, "Seconds of one wave cycle.")
        ->capture_default_str()
        ->check(CLI::Range(0.05, 3600.0));
    app.add_option("--rate", options.rate, "Sensor texts published per second.")
        ->capture_default_str()
        ->check(CLI::Range(0.1, 2000.0));
    app.add_option("--size", options.segmentSize,
                   "Bytes of the \"Devices\" and \"Data\" segments (enlarged automatically for many devices).")
        ->capture_default_str()
        ->check(CLI::Range(static_cast<std::size_t>(8192), static_cast<std::size_t>(1) << 30));
    app.add_flag("--verbose", options.verbose,
                 "Print what is published, once, and a status line every second (on stderr).");
    app.add_flag("--stress", options.stress,
                 "Torn-read stress: rewrite every sensor text as fast as possible; beta devices then publish "
                 "'stress:<counter>:<padding of varying length>:<check value>' (the check value is the FNV-1a hash of "
                 "everything before its colon).");
    app.add_flag("--stale", options.stale, "Fault: write \"scanActive\" once as now-100 and never refresh it.");
    auto* scanOffset = app.add_option("--scan-offset", in.scanOffset,
                                      "Fault: time stamp = now + SECONDS (may be negative; write --scan-offset=-20), "
                                      "refreshed every second.")
                           ->type_name("SECONDS")
                           ->check(CLI::Range(-1000000000LL, 1000000000LL));
    auto* disconnectAfter =
        app.add_option("--disconnect-after", in.disconnectAfter, "Fault: after SECONDS every record's state becomes 0.")
            ->type_name("SECONDS")
            ->check(CLI::NonNegativeNumber);
    auto* nDevices = app.add_option("--n-devices", in.nDevices, "Fault: announce N as \"nDevices\" instead of the real count.")
                         ->type_name("N")
                         ->check(CLI::Validator(
                             [](std::string& value) {
                                 return std::regex_match(value, integerText) ? std::string() : "expected an integer";
                             },
                             "INT"));
    auto* crashAfter = app.add_option("--crash-after", in.crashAfter,
                                      "Fault: after SECONDS exit with status 3, leaving the segments behind.")
                           ->type_name("SECONDS")
                           ->check(CLI::NonNegativeNumber);
    app.add_flag("--takeover", options.takeover,
                 "Replace a running service that owns the segments (it notices and stops) instead of refusing "
                 "to start.");
    auto* seconds = app.add_option("--seconds", in.seconds, "Run for SECONDS, then clean up and exit 0.")
                        ->type_name("SECONDS")
                        ->check(CLI::NonNegativeNumber);

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    MotionSettings motion;
    Motion::ParsePattern(in.motion, motion.pattern);
    motion.period = in.period;
    if (*scanOffset)
        options.scanOffset = in.scanOffset;
    if (*disconnectAfter)
        options.disconnectAfter = in.disconnectAfter;
    if (*crashAfter)
        options.crashAfter = in.crashAfter;
    if (*seconds)
        options.seconds = in.seconds;
    if (*nDevices)
        options.nDevices = in.nDevices;
    const std::optional<std::string> betaText = app.count("--beta-text") > 0 ? std::optional<std::string>(in.betaText)
                                                                             : std::nullopt;

    // Devices in command-line order: parse_order() lists each value as it was read.
    std::vector<std::unique_ptr<SimDevice>> devices;
    std::map<const CLI::Option*, std::size_t> used;
    int kelvoSerial = 0;
    for (const CLI::Option* option : app.parse_order())
    {
        if (option != beta && option != record && option != tessara && option != kelvo && option != gloves &&
            option != replay)
            continue;
        const std::string& value = option->results().at(used[option]++);
        if (option == beta)
        {
            devices.push_back(std::make_unique<BetaSim>(value, betaText, options.stress));
        }
        else if (option == record)
        {
            devices.push_back(std::make_unique<RecordSim>(value));
        }
        else if (option == tessara)
        {
            devices.push_back(MakeTessara(value, motion));
        }
        else if (option == kelvo)
        {
            devices.push_back(std::make_unique<KelvoSim>(value == "right", ++kelvoSerial, motion));
        }
        else if (option == gloves)
        {
            const int count = std::stoi(value);
            for (int i = 0; i < count; ++i)
                devices.push_back(std::make_unique<TessaraSim>(i % 2 == 0, TessaraSim::defaultFirmware, motion));
        }
        else
        {
            auto track = std::make_shared<ReplayTrack>();
            std::string error;
            if (!ReplayTrack::Load(value, *track, error))
            {
                std::cerr << "tesslink-sim: " << error << std::endl;
                return 2;
            }
            track->SetLoop(in.loop);
            for (std::size_t i = 0; i < track->Devices().size(); ++i)
                devices.push_back(std::make_unique<ReplaySim>(track, i));
        }
    }

    InstallSignals();
    Service service(std::move(options), std::move(devices));
    return service.Run();
}
