#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ExitCodes.h"
#include "JointNames.h"
#include "LiveState.h"
#include "OpenXRJson.h"
#include "PoseJson.h"
#include "Reading.h"
#include "Select.h"
#include "Terminal.h"

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

        std::string PlainPose(const TSCore::HandPose& pose, const std::string& title,
                              const std::optional<TSCore::Kinematics::Quat>& orientation)
        {
            std::string out = std::string(pose.isRight ? "Right" : "Left") + " hand of " + title + "\n";
            out += std::string(angleUnitsNote) + "\n";
            out += "finger " + AngleColumnsHeader() + "\n";
            for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
                out += PadRight(FingerName(f), 7) + AngleColumns(pose, f) + "\n";
            out += orientation ? "Orientation (quaternion): " + QuaternionText(*orientation) : "Orientation: none read";
            return out;
        }

        int RunPose(const PoseOptions& options)
        {
            TSCore::ServiceReader reader;
            std::shared_ptr<TSCore::HapticGlove> glove;
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, reader, glove, profile))
                return code;
            TSCore::HandPose pose;
            const GloveState state = FirstReading(reader, glove, profile, pose);
            // The machine-readable forms carry the state, so they are printed whatever it is;
            // the exit code still says that a reading that is not live is no current pose.
            if (options.json && state.complete && state.service.condition != ServiceCondition::Stopped)
            {
                const PoseSource source{glove->GetDeviceID(),  KindName(glove->GetDeviceType()),
                                        glove->GetDeviceKey(), state.readingTime,
                                        state.orientation,     state};
                // Names come from another process: bytes that are not UTF-8 are replaced.
                std::cout
                    << PoseToJson(pose, source).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                    << std::endl;
            }
            if (options.openxr)
                std::cout << DumpFloats(OpenXRToJson(pose, glove->IsRight(), state)) << std::endl;
            if (const int code = state.Refuse(Describe(*glove)))
                return code;
            if (options.storage)
                std::cout << pose.Serialize() << std::endl;
            else if (!options.json && !options.openxr)
                std::cout << PlainPose(pose, Describe(*glove), state.orientation) << std::endl;
            return exitOk;
        }
    }

    Runner AddPose(CLI::App& app)
    {
        auto options = std::make_shared<PoseOptions>();
        auto* command = app.add_subcommand(
            "pose", "Print one hand pose of a glove: per finger the joint angles in degrees (flexion, spread and "
                    "twist of the first joint, flexion of the other two) and the orientation; with --json every "
                    "angle (radians), position (mm) and rotation, the device, side, reading time, state and "
                    "units. Only a live reading is a pose: a stale service (exit 3), a disconnected glove "
                    "(exit 4) and a pose that holds no valid numbers (exit 9) are refused; --json and --openxr "
                    "still print what was read, with its state.");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        auto* json = command->add_flag("--json", options->json, "Print the pose as one line of JSON.");
        auto* storage =
            command
                ->add_flag("--storage", options->storage,
                           "Print the pose's storage text (HandPose::Serialize), which `render --from` reads.")
                ->excludes(json);
        command
            ->add_flag("--openxr", options->openxr,
                       "Print the 26 OpenXR hand-tracking joints as one line of JSON: extension joint names, "
                       "flags, positions (metres, relative to the wrist), orientations (x, y, z, w), radii, and "
                       "the glove's state. The flags are those the OpenXR layer gives: 15 while live, 3 (valid, "
                       "not tracked) while the service has not updated for 3 to 10 s, 0 when disconnected or "
                       "stopped.")
            ->excludes(json)
            ->excludes(storage);
        return [options] { return RunPose(*options); };
    }
}
