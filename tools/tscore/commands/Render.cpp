#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ExitCodes.h"
#include "FileKind.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "Reading.h"
#include "RecordingPose.h"
#include "Select.h"
#include "Svg.h"
#include "Terminal.h"
#include "TextFile.h"

namespace TSCoreCli
{
    namespace
    {
        struct RenderOptions
        {
            GloveOptions glove;
            std::string svg;
            std::string from;
            std::optional<double> at;
            bool fit = false;
        };

        int PoseFromFile(const RenderOptions& options, TSCore::HandPose& pose, SvgOptions& svg)
        {
            std::string text;
            std::string why;
            if (!ToolCommon::ReadTextFile(options.from, text, why))
                return Fail(exitCannotRead, "cannot read " + options.from + ": " + why);
            using ToolCommon::TextKind;
            const TextKind kind = ToolCommon::KindOfText(text);
            if (kind == TextKind::HandPose && !options.at && options.glove.device < 0 &&
                options.glove.profilePath.empty())
            {
                pose = TSCore::HandPose::Deserialize(text);
                svg.caption = options.from;
                return exitOk;
            }
            if (kind == TextKind::HandPose)
                return Fail(exitUsage, "--at, --device and --profile choose a frame of a recording; " + options.from +
                                           " holds a single pose");
            if (kind != TextKind::Recording)
                return Fail(exitCannotRead, options.from + " is neither a hand pose nor a recording: it looks like " +
                                                ToolCommon::DescribeKind(kind) +
                                                ". `tscore pose --storage` and `tscore record` "
                                                "write what render --from reads");
            TSCoreLink::RecordingFile recording;
            std::string error;
            if (!TSCoreLink::RecordingFile::Parse(text, options.from, recording, error))
                return Fail(exitCannotRead, error);
            if (!recording.warning.empty())
                Warn(recording.warning);
            const double length = recording.frames.empty() ? 0.0 : recording.frames.back().t;
            if (options.at && *options.at > length)
                return Fail(exitUsage, "--at " + Fixed(*options.at, 3) + " is past the end of " + options.from +
                                           ", whose last reading is at " + Fixed(length, 3) +
                                           " s: give --at from 0 to that");
            std::optional<TSCore::HandProfile> profile;
            if (!options.glove.profilePath.empty())
            {
                profile = TSCore::HandProfile::Default(true);
                if (const int code = LoadProfileFile(options.glove.profilePath, *profile))
                    return code;
            }
            RecordedPose recorded;
            if (!PoseFromRecording(recording, options.from, options.at, options.glove.device, profile, recorded, error))
                return Fail(exitCannotRead, error);
            pose = recorded.pose;
            svg.caption = recorded.caption;
            if (recorded.imu)
                svg.orientation = recorded.orientation;
            return exitOk;
        }

        int PoseFromGlove(const RenderOptions& options, TSCore::HandPose& pose, SvgOptions& svg)
        {
            TSCore::ServiceReader reader;
            std::shared_ptr<TSCore::HapticGlove> glove;
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, reader, glove, profile))
                return code;
            const GloveState state = FirstReading(reader, glove, profile, pose);
            // An invalid pose is refused with the others below, once it is known that nothing is drawn.
            if (std::string(state.Word()) != "invalid")
                if (const int code = state.Refuse(Describe(*glove)))
                    return code;
            svg.caption = Describe(*glove);
            if (state.orientation)
                svg.orientation = *state.orientation;
            return exitOk;
        }

        int RunRender(const RenderOptions& options)
        {
            TSCore::HandPose pose;
            SvgOptions svg;
            svg.fit = options.fit;
            if (const int code =
                    options.from.empty() ? PoseFromGlove(options, pose, svg) : PoseFromFile(options, pose, svg))
                return code;
            const std::vector<std::string> invalid = InvalidFingers(pose);
            if (!invalid.empty())
                return Fail(exitInvalid, InvalidPoseMessage(invalid) + "; nothing drawn");
            std::string why;
            if (!ToolCommon::CanWrite(options.svg, why) ||
                !ToolCommon::WriteTextFile(options.svg, RenderPoseSvg(pose, svg), why))
                return Fail(exitCannotWrite, "cannot write " + options.svg + ": " + why);
            if (options.svg != "-")
                std::cout << "Wrote " << options.svg << std::endl;
            return exitOk;
        }
    }

    Runner AddRender(CLI::App& app)
    {
        auto options = std::make_shared<RenderOptions>();
        auto* command = app.add_subcommand(
            "render", "Draw a hand pose as an SVG picture: a view from above and an oblique view from the side, "
                      "bones as lines, joints as dots, one colour per finger, a 50 mm scale bar and the hand's "
                      "orientation. Every picture has the same scale unless --fit is given, so poses compare. The "
                      "live pose of a glove, one stored by `tscore pose --storage`, or a frame of a recording made "
                      "by `tscore record`.");
        command->add_option("--svg", options->svg, "Picture file to write ('-': standard output).")
            ->type_name("FILE")
            ->required();
        auto* from = command
                         ->add_option("--from", options->from,
                                      "Read the pose from a stored pose or a recording instead of a glove.")
                         ->type_name("FILE");
        command
            ->add_option("--at", options->at,
                         "With a recording: the frame at SECONDS from its start (default: the last); past the "
                         "recording's last reading is refused.")
            ->type_name("SECONDS")
            ->check(ToolCommon::AtLeast(0.0, "seconds"))
            ->needs(from);
        command->add_flag("--fit", options->fit, "Scale the picture to the pose instead of the common scale.");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        for (const char* name : {"--right", "--left"})
            from->excludes(command->get_option(name));
        return [options] { return RunRender(*options); };
    }
}
