#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "PoseJson.h"
#include "PoseText.h"
#include "Reading.h"
#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::HandPose;
    using TSCore::Kinematics::Quat;

    namespace
    {
        struct WatchOptions
        {
            GloveOptions glove;
            double seconds = 0.0; ///< 0: until interrupted
            double rate = 10.0;
            bool json = false;
        };

        struct Frame
        {
            double t = 0.0;
            GloveState state;
            HandPose pose;
            bool imu = false;
            Quat orientation;
        };

        std::string FingerRow(const Frame& frame, std::size_t f, int barWidth)
        {
            std::string row = PadRight(FingerName(f), 7);
            const bool valid =
                frame.state.complete && std::find(frame.state.invalidFingers.begin(), frame.state.invalidFingers.end(),
                                                  FingerName(f)) == frame.state.invalidFingers.end();
            if (!frame.state.complete || frame.state.service.condition == ServiceCondition::Stopped)
                return row + "-";
            if (!valid)
                return row + "pose invalid: no finite angles";
            const float flexion = frame.pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), false);
            return row + Bar(flexion, barWidth) + " " + PadRight(Fixed(flexion, 2), 5) + " " +
                   AngleColumns(frame.pose, f);
        }

        std::vector<std::string> LiveLines(const std::string& title, const Frame& frame, int columns)
        {
            // Rows are 69 characters besides the bar: the bar takes what the terminal has left.
            const int barWidth = std::clamp(columns - 70, 4, 40);
            const std::string clock = "t=" + Fixed(frame.t, 1) + " s  Ctrl-C stops";
            const std::size_t room = static_cast<std::size_t>(std::max(columns - 1, 20));
            std::vector<std::string> lines;
            lines.push_back(PadRight(title, room > clock.size() + 1 ? room - clock.size() : 1) + clock);
            lines.push_back("State: " + frame.state.Headline());
            // The record of a stopped service says nothing about the glove now.
            const bool stopped = frame.state.service.condition == ServiceCondition::Stopped;
            lines.push_back("Service " + frame.state.service.Describe() +
                            (stopped                 ? ""
                             : frame.state.connected ? "; glove connected"
                                                     : "; glove disconnected"));
            lines.push_back("");
            lines.push_back("Flexion: 0 stretched, 1 fully flexed (not clamped)");
            lines.push_back(angleUnitsNote);
            lines.push_back(PadRight("finger flexion", static_cast<std::size_t>(barWidth) + 16) + AngleColumnsHeader());
            for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
                lines.push_back(FingerRow(frame, f, barWidth));
            lines.push_back("");
            lines.push_back(frame.imu ? "Orientation (quaternion): " + QuaternionText(frame.orientation)
                                      : "Orientation: none read");
            return lines;
        }

        std::string PlainLine(const Frame& frame)
        {
            std::string line = "t=" + Fixed(frame.t, 2) + " " + frame.state.Word();
            if (!frame.state.Showable())
                return line;
            static const char initials[] = "TIMRP";
            const std::vector<float> flexion = frame.pose.GetNormalizedFlexion(false);
            for (std::size_t f = 0; f < flexion.size(); ++f)
                line += std::string(" ") + initials[f] + " " + Fixed(flexion[f], 2);
            if (!frame.imu)
                return line + " q none";
            const Quat& q = frame.orientation;
            return line + " q " + Fixed(q.x, 3) + " " + Fixed(q.y, 3) + " " + Fixed(q.z, 3) + " " + Fixed(q.w, 3);
        }

        std::string JsonLine(const Frame& frame, TSCore::HapticGlove& glove)
        {
            PoseSource source{glove.GetDeviceID(),  KindName(glove.GetDeviceType()),
                              glove.GetDeviceKey(), frame.state.readingTime,
                              std::nullopt,         frame.state};
            if (frame.imu)
                source.orientation = frame.orientation;
            auto object = PoseToJson(frame.pose, source);
            object["t"] = frame.t;
            object["newReading"] = frame.state.newReading;
            return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        }

        Frame ReadFrame(TSCore::HapticGlove& glove, GloveReader& reader, double t)
        {
            Frame frame;
            frame.t = t;
            frame.state = reader.Read(frame.pose);
            frame.imu = glove.GetIMURotation(frame.orientation);
            return frame;
        }

        void Show(const WatchOptions& options, const Frame& frame, TSCore::HapticGlove& glove, LiveBlock* block)
        {
            if (options.json)
                std::cout << JsonLine(frame, glove) << "\n" << std::flush;
            else if (block != nullptr)
            {
                const TerminalSize size = TerminalSizeNow();
                block->Draw(LiveLines(Describe(glove), frame, size.columns), size, TerminalResized());
            }
            else
                std::cout << PlainLine(frame) << "\n" << std::flush;
        }

        int RunWatch(const WatchOptions& options)
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, glove, profile))
                return code;

            InstallInterruptHandler();
            GloveReader reader(*glove, profile);
            LiveBlock block;
            const bool live = !options.json && StdoutIsTerminal();
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
            for (long frameNumber = 0; !Interrupted(); ++frameNumber)
            {
                const double t = elapsed();
                if (options.seconds > 0.0 && t >= options.seconds)
                    break;
                Show(options, ReadFrame(*glove, reader, t), *glove, live ? &block : nullptr);
                if (!std::cout)
                    break; // the reader went away
                // Frames keep to a fixed schedule rather than drifting by the time each takes.
                double wait = static_cast<double>(frameNumber + 1) / options.rate - elapsed();
                if (options.seconds > 0.0)
                    wait = std::min(wait, options.seconds - elapsed());
                if (wait > 0.0)
                    SleepFor(wait);
            }
            block.Finish();
            return Terminated() ? exitTerminated : exitOk;
        }
    }

    Runner AddWatch(CLI::App& app)
    {
        auto options = std::make_shared<WatchOptions>();
        auto* command = app.add_subcommand(
            "watch", "Live view of a glove: the state of the service and the glove, per finger a bar of normalised "
                     "flexion and the joint angles in degrees, and the hand's orientation as a quaternion. Redrawn "
                     "in place on a terminal (fitted to its width); otherwise one line per frame: t=SECONDS STATE "
                     "T I M R P flexion q X Y Z W, where STATE is live, stale, stopped, disconnected, incomplete or "
                     "invalid (then no numbers follow).");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        command->add_option("--seconds", options->seconds, "Stop after SECONDS (default: until Ctrl-C).")
            ->type_name("S")
            ->check(ToolCommon::MoreThan(0.0, "seconds"));
        command->add_option("--rate", options->rate, "Frames per second.")
            ->type_name("HZ")
            ->capture_default_str()
            ->check(ToolCommon::Between(0.5, 200.0, "frames per second"));
        command->add_flag("--json", options->json,
                          "One JSON object per frame, for piping: the object of `pose --json`, with t (seconds "
                          "since the start), time (when the reading arrived) and newReading (false when the "
                          "glove sent nothing new since the previous frame).");
        return [options] { return RunWatch(*options); };
    }
}
