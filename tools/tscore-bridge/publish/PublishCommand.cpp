#include <array>
#include <cstddef>
#include <string>

#include <TSCore/Hand/HandProfile.h>

#include "Commands.h"
#include "Console.h"
#include "ExitCode.h"
#include "FileKind.h"
#include "GlovePublisher.h"
#include "OptionChecks.h"
#include "RetargetOption.h"
#include "RobotTopics.h"
#include "RosTopics.h"

namespace TSCoreBridge
{
    using namespace ToolCommon::ExitCodes;
    using ToolCommon::Fail;
    using ToolCommon::Note;

    namespace
    {
        using TSCore::HandProfile;

        // A profile file goes to the side it was made for.
        int LoadProfile(const std::string& path, PublishOptions& options, std::array<bool, 2>& given)
        {
            HandProfile profile = HandProfile::Default(true);
            std::string error;
            if (!ToolCommon::LoadProfileFile(path, profile, error))
                return Fail(exitCannotRead, error);
            const std::size_t side = profile.isRight ? 0 : 1;
            if (given[side])
                return Fail(exitUsage,
                            std::string("two ") + (profile.isRight ? "right" : "left") + "-hand profiles given");
            given[side] = true;
            options.profiles[side] = profile;
            return exitOk;
        }

        // "right=CONFIG" or "left=CONFIG": the robot hand that follows that side's glove.
        int LoadRobot(const std::string& given, PublishOptions& options)
        {
            std::array<bool, 2> taken{static_cast<bool>(options.robots[0]), static_cast<bool>(options.robots[1])};
            std::size_t side = 0;
            std::string path;
            std::string error;
            if (!ToolCommon::ReadRetargetOption(given, taken, side, path, error))
                return Fail(exitUsage, error);
            if (!options.ros)
                return Fail(exitUsage, "--retarget publishes ROS 2 topics: it cannot go with --no-ros");
            auto& robot = options.robots[side];
            robot = RobotTopics::Load(path, error);
            // A build without robot hands cannot take the option; a configuration that cannot be
            // used is an input file that cannot be read.
            if (!robot)
                return Fail(RobotTopics::Available() ? exitCannotRead : exitUsage, error + "; nothing was published");
            return exitOk;
        }

        // The ROS 2 topics: their namespace, the profiles of their poses, the robot hands.
        void AddRosOptions(CLI::App& command, PublishOptions& options, std::vector<std::string>& profiles,
                           std::vector<std::string>& robots)
        {
            command.add_flag("--no-ros", options.noRos, "Do not publish the ROS 2 topics.");
            command
                .add_option("--ros-namespace", options.rosName,
                            "ROS 2 namespace of the hand topics: rt/NAME/right/joint_states, ...")
                ->type_name("NAME")
                ->capture_default_str()
                ->check(CLI::Validator(
                    [](std::string& name) {
                        return RosTopics::ValidName(name) ? std::string()
                                                          : "expected a ROS 2 name such as tscore or lab/hands";
                    },
                    ""));
            command
                .add_option("--profile", profiles,
                            "Hand profile (from tscore calibrate) for the poses on the ROS 2 topics; once per side. "
                            "Default: the default profile of each side.")
                ->type_name("FILE")
                ->expected(1)
                ->take_all();
            command
                .add_option("--retarget", robots,
                            "A robot hand that follows the glove of that side: its retargeting configuration (YAML, "
                            "see the README). Publishes its joint states on rt/NAME/SIDE/robot/joint_states and takes "
                            "force from its efforts when the configuration says so; once per side." +
                                std::string(RobotTopics::Available() ? "" : " (This build has no retargeting.)"))
                ->type_name("SIDE=CONFIG")
                ->expected(1)
                ->take_all();
        }
    }

    Runner AddPublish(CLI::App& app)
    {
        auto* command = app.add_subcommand(
            "publish",
            "On the glove machine: publish the gloves of the local connection service (or tesslink-sim) over DDS, "
            "for mirrors on other machines and as ROS 2 topics.");
        auto options = std::make_shared<PublishOptions>();
        auto profiles = std::make_shared<std::vector<std::string>>();
        auto robots = std::make_shared<std::vector<std::string>>();
        AddNetworkOptions(*command, options->domain, options->partition);
        command
            ->add_option("--rate", options->rate,
                         "Polls of the local service per second (1 to 10000); each reads every device once. Poll "
                         "faster than the gloves write to carry every text.")
            ->type_name("HZ")
            ->capture_default_str()
            ->check(ToolCommon::Between(1.0, 10000.0, "polls per second"));
        command->add_flag("--accept-haptics", options->acceptHaptics,
                          "Write the haptic commands that mirrors forward, and the force and vibration that ROS 2 "
                          "topics give, into the local gloves. Off by default: they are counted and dropped.");
        AddRosOptions(*command, *options, *profiles, *robots);
        command->add_flag("--verbose", options->verbose, "Print the statistics every 5 seconds (on stderr).");

        return [options, profiles, robots]()
        {
            options->ros = !options->noRos;
            std::array<bool, 2> given{false, false};
            for (const auto& path : *profiles)
                if (const int code = LoadProfile(path, *options, given); code != exitOk)
                    return code;
            for (const auto& robot : *robots)
                if (const int code = LoadRobot(robot, *options); code != exitOk)
                    return code;
            GlovePublisher publisher(*options);
            return publisher.Run();
        };
    }
}
