#include <TSCore/Hand/HandProfile.h>

#include "Commands.h"
#include "Console.h"
#include "FileKind.h"
#include "OptionChecks.h"
#include "Publisher.h"
#include "RosTopics.h"

namespace TSCoreBridge
{
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
    }

    Runner AddPublish(CLI::App& app)
    {
        auto* command = app.add_subcommand(
            "publish",
            "On the glove machine: publish the gloves of the local connection service (or tesslink-sim) over DDS, "
            "for mirrors on other machines and as ROS 2 topics.");
        auto options = std::make_shared<PublishOptions>();
        auto profiles = std::make_shared<std::vector<std::string>>();
        AddNetworkOptions(*command, options->domain, options->partition);
        command
            ->add_option("--rate", options->rate,
                         "Polls of the local service per second (1 to 10000); each reads every device once. Poll "
                         "faster than the gloves write to carry every text.")
            ->type_name("HZ")
            ->capture_default_str()
            ->check(ToolCommon::Between(1.0, 10000.0, "polls per second"));
        command->add_flag("--accept-haptics", options->acceptHaptics,
                          "Write the haptic commands that mirrors forward into the local gloves. Off by default: "
                          "they are counted and dropped.");
        command->add_flag("--no-ros", options->noRos, "Do not publish the ROS 2 topics.");
        command
            ->add_option("--ros-namespace", options->rosName,
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
            ->add_option("--profile", *profiles,
                         "Hand profile (from tscore calibrate) for the poses on the ROS 2 topics; once per side. "
                         "Default: the default profile of each side.")
            ->type_name("FILE")
            ->expected(1)
            ->take_all();
        command->add_flag("--verbose", options->verbose, "Print the statistics every 5 seconds (on stderr).");

        return [options, profiles]()
        {
            options->ros = !options->noRos;
            std::array<bool, 2> given{false, false};
            for (const auto& path : *profiles)
                if (const int code = LoadProfile(path, *options, given); code != exitOk)
                    return code;
            Publisher publisher(*options);
            return publisher.Run();
        };
    }
}
