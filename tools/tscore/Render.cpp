#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ExitCodes.h"
#include "Files.h"
#include "Reading.h"
#include "Select.h"
#include "Svg.h"

namespace TSCoreCli
{
    namespace
    {
        struct RenderOptions
        {
            GloveOptions glove;
            std::string svg;
            std::string from;
        };

        int RunRender(const RenderOptions& options)
        {
            TSCore::HandPose pose;
            std::string caption;
            if (!options.from.empty())
            {
                std::string text;
                if (!ReadFile(options.from, text))
                    return Fail(exitCannotRead, "cannot read " + options.from);
                pose = TSCore::HandPose::Deserialize(text);
                // Unreadable text comes back as the empty default pose.
                if (pose.jointPositions.empty())
                    return Fail(exitCannotRead, "cannot read " + options.from + ": no hand pose in it");
                caption = options.from;
            }
            else
            {
                std::shared_ptr<TSCore::HapticGlove> glove;
                TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
                if (const int code = SelectGloveAndProfile(options.glove, glove, profile))
                    return code;
                if (!WaitForHandPose(*glove, profile, pose))
                    return Fail(exitNoReading, "no complete reading from " + Describe(*glove));
                caption = Describe(*glove);
            }
            if (!WriteFile(options.svg, RenderPoseSvg(pose, caption)))
                return Fail(exitCannotWrite, "cannot write " + options.svg);
            std::cout << "Wrote " << options.svg << std::endl;
            return exitOk;
        }
    }

    Runner AddRender(CLI::App& app)
    {
        auto options = std::make_shared<RenderOptions>();
        auto* command = app.add_subcommand(
            "render", "Draw a hand pose as an SVG picture: a view from above and one from the side, bones as lines, "
                      "joints as dots, one colour per finger. The live pose of a glove, or one read from a file "
                      "holding HandPose::Serialize text.");
        command->add_option("--svg", options->svg, "Picture file to write.")->type_name("FILE")->required();
        auto* from = command->add_option("--from", options->from, "Read the pose from this file instead of a glove.")
                         ->type_name("POSEFILE");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        for (const char* name : {"--right", "--left", "--device", "--profile"})
            from->excludes(command->get_option(name));
        return [options] { return RunRender(*options); };
    }
}
