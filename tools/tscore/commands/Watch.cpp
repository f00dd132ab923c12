#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExitCodes.h"
#include "GloveChoice.h"
#include "HapticCommand.h"
#include "JointNames.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "PoseJson.h"
#include "Reading.h"
#include "Select.h"
#include "StopSignal.h"
#include "Terminal.h"
#include "Ticker.h"

namespace TSCoreCli
{
    using TSCore::HandPose;
    using TSCore::HapticGlove;
    using TSCore::ServiceReader;
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
            std::shared_ptr<HapticGlove> glove; ///< null while none is chosen
            std::string title;
            GloveState state;
            HandPose pose;
            /// The force-feedback levels of the glove's current command; none when unknown.
            std::optional<std::vector<int>> force;
        };

        std::string FingerRow(const Frame& frame, std::size_t f, int barWidth)
        {
            std::string row = PadRight(FingerName(f), 7);
            const bool valid =
                frame.state.complete && std::find(frame.state.invalidFingers.begin(), frame.state.invalidFingers.end(),
                                                  FingerName(f)) == frame.state.invalidFingers.end();
            if (!frame.state.complete || !frame.state.announced ||
                frame.state.service.condition == ServiceCondition::Stopped)
                return row + "-";
            if (!valid)
                return row + "pose invalid: no finite angles";
            const float flexion = frame.pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), false);
            return row + Bar(flexion, barWidth) + " " + PadRight(Fixed(flexion, 2), 5) + " " +
                   AngleColumns(frame.pose, f);
        }

        /// "Index 50 %, Middle 50 %", "none", or why it is not known.
        std::string HeldText(const Frame& frame)
        {
            if (!frame.glove || !frame.state.announced || frame.state.service.condition == ServiceCondition::Stopped)
                return "-";
            if (!frame.force)
                return "unknown (its command entry holds a text of another form)";
            std::string out;
            for (const std::size_t f : HapticCommand::HeldFingers(*frame.force))
                out += (out.empty() ? "" : ", ") + FingerName(f) + " " + std::to_string((*frame.force)[f]) + " %";
            return out.empty() ? "none" : out;
        }

        std::vector<std::string> LiveLines(const Frame& frame, int columns)
        {
            // Rows are 69 characters besides the bar: the bar takes what the terminal has left.
            const int barWidth = std::clamp(columns - 70, 4, 40);
            const std::string clock = "t=" + Fixed(frame.t, 1) + " s  Ctrl-C stops";
            const std::size_t room = static_cast<std::size_t>(std::max(columns - 1, 20));
            std::vector<std::string> lines;
            lines.push_back(PadRight(frame.title, room > clock.size() + 1 ? room - clock.size() : 1) + clock);
            lines.push_back("State: " + frame.state.Headline());
            // The record of a stopped service says nothing about the glove now.
            const bool stopped = frame.state.service.condition == ServiceCondition::Stopped;
            lines.push_back("Service " + frame.state.service.Describe() +
                            (stopped || !frame.state.announced ? ""
                             : frame.state.connected           ? "; glove connected"
                                                               : "; glove disconnected"));
            lines.push_back("");
            lines.push_back("Flexion: 0 stretched, 1 fully flexed (not clamped)");
            lines.push_back(angleUnitsNote);
            lines.push_back(PadRight("finger flexion", static_cast<std::size_t>(barWidth) + 16) + AngleColumnsHeader());
            for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
                lines.push_back(FingerRow(frame, f, barWidth));
            lines.push_back("");
            lines.push_back("Held by force feedback: " + HeldText(frame));
            const auto& q = frame.state.orientation;
            const bool current = frame.state.announced && !stopped;
            lines.push_back(q && current ? "Orientation (quaternion): " + QuaternionText(*q)
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
            if (const auto& q = frame.state.orientation)
                line += " q " + Fixed(q->x, 3) + " " + Fixed(q->y, 3) + " " + Fixed(q->z, 3) + " " + Fixed(q->w, 3);
            else
                line += " q none";
            if (!frame.force)
                return line + " held unknown";
            std::string held;
            for (const std::size_t f : HapticCommand::HeldFingers(*frame.force))
                held += (held.empty() ? "" : ",") + std::string(1, initials[f]);
            return line + " held " + (held.empty() ? "none" : held);
        }

        std::string JsonLine(const Frame& frame, const std::string& waiting)
        {
            nlohmann::ordered_json object;
            if (frame.glove)
            {
                PoseSource source{frame.glove->GetDeviceID(),  KindName(frame.glove->GetDeviceType()),
                                  frame.glove->GetDeviceKey(), frame.state.readingTime,
                                  frame.state.orientation,     frame.state};
                object = PoseToJson(frame.pose, source);
            }
            else
            {
                object["state"] = StateToJson(frame.state);
                object["waiting"] = waiting;
            }
            object["t"] = frame.t;
            object["newReading"] = frame.state.newReading;
            nlohmann::ordered_json held = nlohmann::ordered_json::array();
            if (frame.force)
                for (const std::size_t f : HapticCommand::HeldFingers(*frame.force))
                    held.push_back(FingerName(f));
            object["forceFeedback"] = frame.force ? nlohmann::ordered_json(*frame.force) : nullptr;
            object["held"] = held;
            return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        }

        /// The profile for a glove: --profile when it is for the glove's side, else the default.
        struct Profile
        {
            TSCore::HandProfile given = TSCore::HandProfile::Default(true);
            bool fromFile = false;

            TSCore::HandProfile For(HapticGlove& glove) const
            {
                return fromFile && given.isRight == glove.IsRight() ? given
                                                                    : TSCore::HandProfile::Default(glove.IsRight());
            }
        };

        Frame ReadFrame(ServiceReader& reader, const GloveChoice& choice, const Profile& profile,
                        TSCore::HandProfile& current, double t)
        {
            Frame frame;
            frame.t = t;
            if (choice.Chosen().empty())
            {
                frame.state.service = ServiceStatus::Of(reader);
                frame.state.announced = false;
                frame.title = "No glove: " + choice.Waiting();
                return frame;
            }
            frame.glove = choice.Chosen().front();
            frame.title = Describe(*frame.glove);
            if (profile.fromFile && profile.given.isRight != frame.glove->IsRight())
                frame.title += ", default profile";
            frame.state = ReadGlove(reader, frame.glove, current, frame.pose);
            if (frame.state.announced && frame.state.service.condition != ServiceCondition::Stopped)
                frame.force = HapticCommand(frame.glove).Force();
            return frame;
        }

        void Show(const WatchOptions& options, const Frame& frame, const GloveChoice& choice, LiveBlock* block)
        {
            if (options.json)
                std::cout << JsonLine(frame, choice.Waiting()) << "\n" << std::flush;
            else if (block != nullptr)
            {
                const TerminalSize size = TerminalSizeNow();
                block->Draw(LiveLines(frame, size.columns), size, TerminalResized());
            }
            else
                std::cout << PlainLine(frame) << "\n" << std::flush;
        }

        int RunWatch(const WatchOptions& options)
        {
            ServiceReader reader;
            std::shared_ptr<HapticGlove> glove;
            Profile profile;
            if (const int code = SelectGloveAndProfile(options.glove, reader, glove, profile.given))
                return code;
            profile.fromFile = !options.glove.profilePath.empty();

            ToolCommon::InstallStopSignals();
            WatchTerminalSize();
            // It picks the glove SelectGlove picked, and picks again when the service's list changes.
            GloveChoice choice(options.glove, false);
            choice.Follow(reader);
            TSCore::HandProfile current = profile.given;
            LiveBlock block;
            const bool live = !options.json && StdoutIsTerminal();
            using Clock = ToolCommon::Ticker::Clock;
            const auto start = Clock::now();
            const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
            // Frames keep to a fixed schedule rather than drifting by the time each takes.
            ToolCommon::Ticker frames = ToolCommon::Ticker::PerSecond(options.rate, start);
            const auto end = options.seconds > 0.0 ? frames.At(options.seconds) : Clock::time_point::max();
            while (!ToolCommon::StopRequested() && Clock::now() < end)
            {
                const double t = elapsed();
                reader.Update();
                if (choice.Follow(reader) && !choice.Chosen().empty())
                    current = profile.For(*choice.Chosen().front());
                Show(options, ReadFrame(reader, choice, profile, current, t), choice, live ? &block : nullptr);
                if (!std::cout)
                    break; // the reader went away
                frames.Wait(end);
            }
            block.Finish();
            return ToolCommon::ExitCodeAfterStop(false);
        }
    }

    Runner AddWatch(CLI::App& app)
    {
        auto options = std::make_shared<WatchOptions>();
        auto* command = app.add_subcommand(
            "watch", "Live view of a glove: the state of the service and the glove, per finger a bar of normalised "
                     "flexion and the joint angles in degrees, the fingers held by force feedback, and the hand's "
                     "orientation as a quaternion. Redrawn in place on a terminal (fitted to its width); otherwise "
                     "one line per frame: t=SECONDS STATE T I M R P flexion q X Y Z W held FINGERS, where STATE is "
                     "live, stale, stopped, absent, disconnected, incomplete or invalid (then no numbers follow) "
                     "and FINGERS the initials of the held fingers (I,M), none or unknown. Follows the service: "
                     "when its list changes (a restart with other gloves), the options pick a glove again.");
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
                          "since the start), time (when the reading arrived), newReading (false when the "
                          "glove sent nothing new since the previous frame), forceFeedback (the levels of the "
                          "glove's current command, thumb first) and held (the fingers they hold).");
        return [options] { return RunWatch(*options); };
    }
}
