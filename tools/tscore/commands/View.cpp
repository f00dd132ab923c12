#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <boost/asio/ip/address.hpp>
#include <nlohmann/json.hpp>

#include <TSCore/Util/Library.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "RetargetOption.h"
#include "Select.h"
#include "StopSignal.h"
#include "Ticker.h"
#include "view/ViewFrames.h"
#include "view/ViewHaptics.h"
#include "view/ViewRobot.h"
#include "view/ViewServer.h"
#include "view/ViewToken.h"

namespace TSCoreCli
{
    namespace
    {
        struct ViewOptions
        {
            GloveOptions glove;
            int port = 8080;
            std::string bind = "127.0.0.1";
            bool allowHaptics = false;
            double rate = 100.0;
            std::vector<std::string> robots; ///< --retarget SIDE=CONFIG
        };

        std::string Hello(const ViewOptions& options, const ViewFrames& frames)
        {
            nlohmann::ordered_json robots = nlohmann::ordered_json::array();
            for (const auto& robot : frames.Robots())
                robots.push_back(robot->Describe());
            return nlohmann::ordered_json{{"type", "hello"},
                                          {"server", "tscore view"},
                                          {"library", TSCore::Library::Version()},
                                          {"allowHaptics", options.allowHaptics},
                                          {"rate", options.rate},
                                          {"robots", std::move(robots)}}
                .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        }

        /// The robot hands of --retarget, loaded before anything is served.
        int LoadRobots(const ViewOptions& options, ViewFrames& frames)
        {
            std::array<bool, 2> taken{false, false};
            for (const std::string& given : options.robots)
            {
                std::size_t side = 0;
                std::string path, error;
                if (!ToolCommon::ReadRetargetOption(given, taken, side, path, error))
                    return Fail(exitUsage, error);
                auto robot = ViewRobot::Load(path, side == 0, error);
                if (!robot)
                    return Fail(exitCannotRead, error + "; nothing was served");
                frames.AddRobot(std::move(robot));
            }
            return exitOk;
        }

        bool Unspecified(const std::string& address)
        {
            boost::system::error_code error;
            return boost::asio::ip::make_address(address, error).is_unspecified() && !error;
        }

        std::string MachineName()
        {
            char name[256] = {};
            return gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? name : "THIS-MACHINE";
        }

        /// Off loopback every request needs the token, and haptics are allowed only with it.
        int GuardOffLoopback(const ViewOptions& options, ViewServer& server)
        {
            if (server.Loopback())
                return exitOk;
            std::string why;
            std::string token = NewToken(why);
            if (token.empty())
                return Fail(exitInternal, "cannot make the view's token: " + why + "; nothing was served");
            server.RequireToken(std::move(token));
            if (options.allowHaptics && server.Token().empty())
                return Fail(exitUsage, "--allow-haptics off loopback needs the view's token; nothing was served");
            return exitOk;
        }

        /// What the user needs at start, in lines that fit 80 columns.
        void SayWhere(const ViewOptions& options, const ViewServer& server, const ServiceStatus& service)
        {
            const std::string port = std::to_string(server.Port());
            const std::string host =
                options.bind.find(':') != std::string::npos ? "[" + options.bind + "]" : options.bind;
            if (server.Loopback())
                std::cout << "Serving the view on http://" << host << ":" << port << "/\n"
                          << "Listening on " << options.bind << " only (this machine); --bind 0.0.0.0 lets others in\n";
            else
                std::cout << "Serving the view on " << host << " port " << port
                          << ", reachable from other machines as\n"
                          << "  http://" << (Unspecified(options.bind) ? MachineName() : host) << ":" << port
                          << "/?token=" << server.Token() << "\n"
                          << "Only that URL opens it: keep it to those who may see"
                          << (options.allowHaptics ? " and drive" : "") << " the gloves\n"
                          << "(--bind 127.0.0.1 keeps the view to this machine)\n";
            if (service.condition != ServiceCondition::Running)
                std::cout << "The connection service is not running: the gloves appear once it starts\n";
            std::cout << (options.allowHaptics
                              ? "Haptics: allowed from the page; the gloves are switched off when the\n"
                                "view stops or its last page closes\n"
                              : "Haptics: off (--allow-haptics lets the page send them)\n")
                      << "Ctrl-C stops" << std::endl;
        }

        /// The reading loop: the one thread that calls the library.
        void Serve(const ViewOptions& options, ViewServer& server, ViewFrames& frames)
        {
            ViewHaptics haptics(options.allowHaptics);
            using Clock = ToolCommon::Ticker::Clock;
            const auto start = Clock::now();
            const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
            // Ticks keep to a fixed schedule; after a stall the loop resumes instead of catching up.
            ToolCommon::Ticker ticker = ToolCommon::Ticker::PerSecond(options.rate, start);
            while (!ToolCommon::StopRequested())
            {
                const double now = elapsed();
                std::string frame = frames.Tick(now);
                if (!frame.empty())
                    server.Publish(std::move(frame));
                for (const ViewMessage& message : server.TakeMessages())
                    server.Reply(message.from, haptics.Handle(message.text, frames, now));
                // Nobody is left to see or stop what the gloves do.
                if (haptics.Driving() && server.Clients() == 0)
                    haptics.StopAll(frames);
                haptics.Tick(frames, now);
                ticker.Wait();
            }
            haptics.StopAll(frames);
        }

        int RunView(const ViewOptions& options)
        {
            std::optional<TSCore::HandProfile> profile;
            if (!options.glove.profilePath.empty())
            {
                profile.emplace(TSCore::HandProfile::Default(true));
                if (const int code = LoadProfileFile(options.glove.profilePath, *profile))
                    return code;
            }
            // A glove that is not there is refused as the other commands refuse it; while the
            // service is not running the view waits for it instead.
            ViewFrames frames(options.glove, profile);
            if (const int code = LoadRobots(options, frames))
                return code;
            const ServiceStatus service = ServiceStatus::Of(frames.Reader());
            if (options.glove.device >= 0 && service.condition == ServiceCondition::Running &&
                options.glove.device >= GloveCount(frames.Reader()))
                return Fail(exitNoGlove, NoGloveWithIndex(options.glove.device));
            ViewServer server;
            std::string error;
            if (!server.Listen(options.bind, static_cast<unsigned short>(options.port), error))
                return Fail(exitNetwork, error);
            if (const int code = GuardOffLoopback(options, server))
                return code;
            server.SetHello(Hello(options, frames));
            ToolCommon::InstallStopSignals();
            server.Start();
            SayWhere(options, server, service);
            Serve(options, server, frames);
            server.Stop();
            std::cout << "Stopped" << std::endl;
            return ToolCommon::ExitCodeAfterStop(false);
        }
    }

    Runner AddView(CLI::App& app)
    {
        auto options = std::make_shared<ViewOptions>();
        auto* command = app.add_subcommand(
            "view", "Live 3D view of every glove's hand in a web browser: serves a page (built into tscore, it "
                    "loads nothing from elsewhere) that shows the hands, the flexion of each finger, the gloves' "
                    "identities and the state of the service and of each glove, and keeps working while the "
                    "service stops and comes back. Runs until Ctrl-C.");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        command->add_option("--port", options->port, "TCP port to serve on; 0 picks a free one (printed at start).")
            ->type_name("N")
            ->capture_default_str()
            ->check(ToolCommon::WholeBetween(0, 65535, ""));
        command
            ->add_option("--bind", options->bind,
                         "Address to listen on: 127.0.0.1 serves this machine only, 0.0.0.0 every network. Off "
                         "loopback the view prints a URL with a random token, and the page, its files and its "
                         "socket are refused without it.")
            ->type_name("ADDRESS")
            ->capture_default_str()
            ->check(CLI::Validator(
                [](std::string& value)
                {
                    boost::system::error_code error;
                    boost::asio::ip::make_address(value, error);
                    return error ? "must be an IP address such as 127.0.0.1 (this machine only) or 0.0.0.0 (every "
                                   "network), not '" +
                                       value + "'"
                                 : std::string();
                },
                ""));
        command->add_flag("--allow-haptics", options->allowHaptics,
                          "Let the page send vibration pulses, force-feedback levels and stops. Without it such "
                          "messages are refused. Off loopback only pages opened with the view's token can send "
                          "them (the token is always required there).");
        command
            ->add_option("--retarget", options->robots,
                         "A robot hand drawn beside the glove of that side, following it: its retargeting "
                         "configuration (YAML, see the README); once per side." +
                             std::string(ViewRobot::Available() ? "" : " (This build has no retargeting.)"))
            ->type_name("SIDE=CONFIG")
            ->expected(1)
            ->take_all();
        command
            ->add_option("--rate", options->rate,
                         "Readings per second (a frame goes to the pages when a reading changed).")
            ->type_name("HZ")
            ->capture_default_str()
            ->check(ToolCommon::Between(1.0, 200.0, "per second"));
        return [options] { return RunView(*options); };
    }
}
