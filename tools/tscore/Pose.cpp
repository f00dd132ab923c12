#include <iostream>
#include <memory>

#include "Commands.h"
#include "ExitCodes.h"
#include "OpenXRJson.h"
#include "PoseJson.h"
#include "Reading.h"
#include "Select.h"

namespace TSCoreCli
{
    namespace
    {
        struct PoseOptions
        {
            GloveOptions glove;
            bool json = false;
            bool storage = false;
            bool openxr = false;
        };

        int RunPose(const PoseOptions& options)
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, glove, profile))
                return code;
            TSCore::HandPose pose;
            if (!WaitForHandPose(*glove, profile, pose))
                return Fail(exitNoReading, "no complete reading from " + Describe(*glove));
            if (options.json)
                std::cout << PoseToJson(pose).dump() << std::endl;
            else if (options.openxr)
                std::cout << OpenXRToJson(pose, glove->IsRight(), true).dump() << std::endl;
            else if (options.storage)
                std::cout << pose.Serialize() << std::endl;
            else
                std::cout << pose.ToString(true) << std::endl;
            return exitOk;
        }
    }

    Runner AddPose(CLI::App& app)
    {
        auto options = std::make_shared<PoseOptions>();
        auto* command = app.add_subcommand(
            "pose", "Print one hand pose of a glove: per finger the joint angles in degrees, or with --json the "
                    "joint angles (radians), positions (mm), rotations (x, y, z, w) and normalised flexion.");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        auto* json = command->add_flag("--json", options->json, "Print the pose as one line of JSON.");
        auto* storage = command
            ->add_flag("--storage", options->storage,
                       "Print the pose's storage text (HandPose::Serialize), which `render --from` reads.")
            ->excludes(json);
        command
            ->add_flag("--openxr", options->openxr,
                       "Print the 26 OpenXR hand-tracking joints as one line of JSON: extension joint names, "
                       "flags, positions (metres, relative to the wrist), orientations (x, y, z, w), radii.")
            ->excludes(json)
            ->excludes(storage);
        return [options] { return RunPose(*options); };
    }
}
